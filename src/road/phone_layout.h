#pragma once
// The phones of a joined signal, on the real boundaries between them, and the prosody targets
// made for them: the Natural rules, a .pho file's or Praat tiers'.
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "prosody/natural_prosody.h"
#include "prosody/praat_tiers.h"
#include "prosody/target_planning.h"
#include "road/intonation.h"
#include "synthesis/analysis.h"

namespace quelvara::road {

struct PhoneLayout {
  std::vector<prosody::JoinedPhone> phones;  // symbol, stress and first sample of each
  std::size_t length = 0;                    // samples of the joined signal
};

// The phones of an analysed text, the second phone of each unit beginning at its fronteira
// (synthesis::unit_boundaries). Empty for a text without diphones.
PhoneLayout phone_layout(const synthesis::Reading& reading, std::span<const std::size_t> limdf,
                         std::span<const std::size_t> fronteiras);
// The same from the diphone texts, as the main window keeps them, and the stress of each phone
// (none where stress is shorter than the phones).
PhoneLayout phone_layout(std::span<const std::string> difones, std::span<const synthesis::Stress> stress,
                         std::span<const std::size_t> limdf, std::span<const std::size_t> fronteiras);

// The planner's view of the joined signal: its marks and voiced runs, the phone boundaries
// and, in each stop, where its burst begins (the first sound after the silence of its
// closure), which stretching keeps at its own length.
prosody::JoinedPhones joined_phones(prosody::MarkedSignal marks, const PhoneLayout& layout,
                                    const synthesis::VoicingCodes& vzmto);

// The target that a mode planning one asks for on these phones (pontuacao: the text's final mark).
prosody::ProsodyTarget target_in(const Mode& mode, const PhoneLayout& layout, char pontuacao);

TargetRun plan_target_run(const Mode& mode, const prosody::MarkedSignal& marks, const PhoneLayout& layout,
                          const synthesis::VoicingCodes& vzmto, char pontuacao);

// The intonation run of such a mode on the rows of an analysis, as the main window keeps them.
Intonation reshape(std::span<const double> orig, const prosody::MarkedSignal& marks, const PhoneLayout& layout,
                   const synthesis::VoicingCodes& vzmto, const Mode& mode, char pontuacao);

}  // namespace quelvara::road

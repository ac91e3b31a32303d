#pragma once
// The whole analysis of a text: reading, unit loading, joining and smoothing.
#include <filesystem>
#include <optional>
#include <string_view>

#include "synthesis/concatenation.h"
#include "synthesis/text_reader.h"
#include "synthesis/unit_database.h"

namespace quelvara::synthesis {

inline constexpr std::string_view missing_unit_message =
    "Inseriu um difone que não existe na Base de Dados";

struct Analysis {
  enum class Status { ok, empty_text, missing_unit };
  Status status = Status::ok;
  Reading reading;                 // valid unless empty_text
  Joined joined;                   // valid when ok
  std::optional<Diphone> failed;   // the first diphone whose unit is missing or unusable
};

// Analyses texto with units read through reader from database_root (the folder holding bd/).
// Stops at the first diphone with an unknown phone, a missing or an unusable unit (one whose
// level is no finite number included). With unit_length, the joined rows are reserved once for
// the lengths it tells before the units are read.
Analysis analyse(std::string_view texto, const UnitReader& reader,
                 const std::filesystem::path& database_root, const UnitLength& unit_length = {});

// The same from a reading already made (reading_of_phones).
Analysis analyse(Reading reading, const UnitReader& reader, const std::filesystem::path& database_root,
                 const UnitLength& unit_length = {});

}  // namespace quelvara::synthesis

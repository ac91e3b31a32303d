#pragma once
// A small diphone database for tests of the whole road: the units of «_pa_», «_papa_» and
// «_pi_» and nothing else, made of synthetic pulse trains (periods of 170 samples) and noise.
#include <filesystem>

#include "synthesis/unit_database.h"

namespace quelvara::testing {

inline constexpr int fixture_period = 170;

// Voiced stretch of n periods beginning with a mark; unvoiced noise; silence.
void append_voiced(synthesis::UnitData& unit, int periods, double amplitude);
void append_noise(synthesis::UnitData& unit, int samples, double amplitude);
void append_silence(synthesis::UnitData& unit, int samples);

// Writes bd/oclus/ and bd/ under root with the units (_,p), (p,a), (a,_), (a,p), (p,i), (i,_).
void write_fixture_database(const std::filesystem::path& root);

}  // namespace quelvara::testing

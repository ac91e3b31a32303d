#pragma once
// Reading a SAMPA transcription: final punctuation and the diphone scan.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "synthesis/stress_marks.h"

namespace quelvara::synthesis {

struct Diphone {
  std::string dif;             // the 2 to 4 characters the scan took
  std::string fone1, fone2;    // the split of dif
  std::optional<int> fonum1;   // inventory numbers; nullopt when the symbol is no phone
  std::optional<int> fonum2;
};

struct Reading {
  std::string pal;             // the text without its final punctuation mark
  char pontuacao = '.';        // '.', '!' or '?'; '.' when the text has none
  std::vector<Diphone> diphones;
  // The stress of each phone the diphones run through (one more than diphones; none without
  // a diphone), from the text's stress marks.
  std::vector<Stress> stress;
};

// Those phones: the first phone of the first diphone, then the second phone of each.
std::vector<std::string> phones_of(const Reading& reading);
// The same from the diphones' texts (each of 2 to 4 characters), split as the reader splits them.
std::vector<std::string> phones_of(std::span<const std::string> difones);

// Splits a diphone of 2 to 4 characters at the boundary between its two phones.
Diphone split(std::string dif);

// The reading of a text given as its phones (inventory symbols), each pair of neighbours
// one diphone, without stress.
Reading reading_of_phones(std::span<const std::string> phones);

// Final punctuation, diphone scan, split and inventory search, in text order, after the stress
// marks have been taken out. An empty text gives nullopt (it has no last character to read).
std::optional<Reading> read_text(std::string_view texto);

}  // namespace quelvara::synthesis

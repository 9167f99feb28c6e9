#pragma once

#include <cstddef>
#include <cstdint>

// Reads `size` bytes as UTF-8 JSON text and walks everything the reader
// returns, the way a connector would. Shared by the fuzzer and the corpus
// replay test so both exercise exactly the same path.
int FuzzParseJson(const std::uint8_t *data, std::size_t size);

// Command-line tokens of the client. Needs no Windows API.
#pragma once

#include <cstddef>

namespace karvex {

// How many tokens of `commandLine` equal `token` exactly. Tokens are separated
// by spaces only (a tab is part of a token) and quotes carry no meaning, so the
// program's own quoted path never matches.
std::size_t CountTokens(const char* commandLine, const char* token);

}  // namespace karvex

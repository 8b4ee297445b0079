#pragma once
// What a fuzzer does when a property it checks does not hold: says which,
// and stops, so that libFuzzer keeps the input.
#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

} // namespace fuzz

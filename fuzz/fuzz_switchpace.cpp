// Fuzzes the reading of the switch's learned pace (switch-pace.txt): any
// bytes as the file. Reading never fails; what it accepts is written back
// to bytes that read as the same state, and the figures it gives stay in
// their bounds.
#include "input/switchpace.h"

#include "property.h"

#include <QDate>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const auto pace = input::SwitchPace::fromBytes(QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(size)));
    if (!pace)
        return 0;
    const QByteArray written = pace->toBytes();
    const auto again = input::SwitchPace::fromBytes(written);
    if (!again || again->toBytes() != written)
        fuzz::fail("what was read does not read back the same once written");
    const int late = pace->lateBound();
    if (late < 0 || late > input::SwitchPace::kLateMost)
        fuzz::fail("the late-press bound out of its range");
    if (pace->slowest() < pace->usual())
        fuzz::fail("the slow press time below the usual one");
    if (int(pace->chart(QDate(2026, 12, 8)).size()) != input::SwitchPace::kDays)
        fuzz::fail("the chart not of its days");
    return 0;
}

#pragma once

class QObject;

namespace heaplog {

// In the sanitizer build, when MOJIPOT_HEAP_LOG names a file, every 10 s a
// line "<seconds since start> <live heap bytes> <allocator's heap bytes>" is
// appended to it: the program's own memory as the sanitizer's allocator
// counts it, apart from the sanitizer's bookkeeping that the resident figure
// also holds. Elsewhere it does nothing.
void start(QObject *owner);

} // namespace heaplog

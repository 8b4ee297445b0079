#pragma once

class DirectSS;

namespace speech {

// The speech control the program speaks through, with every engine found on
// this machine. Throws AppError when there is no engine at all.
DirectSS *createSpeechControl();

} // namespace speech

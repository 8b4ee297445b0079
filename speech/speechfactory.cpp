#include "speech/speechfactory.h"

#include "speech/recordingspeech.h"

namespace speech {

DirectSS *createSpeechControl()
{
    // Until the real engines are connected the window speaks through a
    // control that keeps its calls and makes no sound.
    return new RecordingSpeech();
}

} // namespace speech

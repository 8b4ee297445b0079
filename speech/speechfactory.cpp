#include "speech/speechfactory.h"

#include "speech/speechcontrol.h"

namespace speech {

DirectSS *createSpeechControl()
{
    return new SpeechControl(SpeechControl::defaultOptions());
}

} // namespace speech

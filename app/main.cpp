#include "app/apperror.h"
#include "app/fonts.h"
#include "app/heaplog.h"
#include "app/keytable.h"
#include "app/mainform.h"
#include "app/messageboxes.h"
#include "app/qtjapanese.h"
#include "input/switchinput.h"
#include "input/switchscan.h"
#include "speech/speechcontrol.h"
#include "speech/speechfactory.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mojipot"));
    fonts::installSubstitutions();
    if (!qtjapanese::install(app))
        qWarning("Qt's Japanese translations (package qt6-translations-l10n) are missing");

    DirectSS *speech = nullptr;
    try {
        speech = speech::createSpeechControl();
    } catch (const AppError &e) {
        // Without any speech engine the window cannot be created.
        boxes::error(nullptr, e.message());
        return 1;
    }
    TMain_form window(speech);
    window.showCentred();
    if (auto *control = qobject_cast<SpeechControl *>(speech)) {
        // The warning tone goes through the same sound output as the speech.
        window.setTonePlayer([control] { control->playTone(); });
        // The greeting is already queued; what the keys say is made next,
        // then what the switch scan says.
        QStringList scan{QStringLiteral("もどる")};
        for (int group = 0; group < input::kGroupCount; ++group)
            scan << input::SwitchInput::groupName(group);
        control->warmUp(window.state.Selection_voice, window.state.Decision_voice, keys::kRead, scan);
    }
    heaplog::start(&window);
    return app.exec();
}

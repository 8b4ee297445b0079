#include "base/apperror.h"
#include "base/fonts.h"
#include "app/heaplog.h"
#include "base/keytable.h"
#include "app/mainform.h"
#include "base/messageboxes.h"
#include "base/qtjapanese.h"
#include "input/call.h"
#include "input/methods.h"
#include "prediction/scanorders.h"
#include "prediction/wordrow.h"
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
        window.methods().call().setChimePlayer([control] { control->playChime(); });
        // The greeting is already queued; what the keys say is made next,
        // then what the switch scan says, and with the row of words on what
        // its places say when reached at a sentence start (its first page of
        // phrases); then what presses say. Any other phrase is made when it
        // is first said. The built-in phrases and "つぎ" are the program's
        // own words; the phrase file's are the user's.
        const prediction::SpokenNames more = prediction::spokenNames();
        QStringList rowFirst;
        QStringList fixed = prediction::phrasesOf(prediction::defaultPhrases());
        if (window.wordRow().enabled())
            for (const prediction::RowItem &item : window.wordRow().items()) {
                if (item.kind == prediction::RowItem::Empty)
                    continue;
                rowFirst << item.spoken;
                if (item.kind == prediction::RowItem::Next)
                    fixed << item.spoken;
            }
        control->warmUp(window.voices().voice(speech::Role::Selection), window.voices().voice(speech::Role::Decision), keys::kRead, more.selection,
                        more.decision, rowFirst, fixed);
    }
    heaplog::start(&window);
    return app.exec();
}

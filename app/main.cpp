#include "app/apperror.h"
#include "app/fonts.h"
#include "app/mainform.h"
#include "app/messageboxes.h"
#include "speech/directss.h"
#include "speech/speechfactory.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mojipot"));
    fonts::installSubstitutions();

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
    return app.exec();
}

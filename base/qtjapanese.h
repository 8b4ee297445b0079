#pragma once

class QCoreApplication;

namespace qtjapanese {

// Loads the toolkit's own Japanese texts (the file dialogs' labels and
// buttons, the scroll bar's menu, the message boxes' buttons) from the
// translations installed with Qt. Returns false when they are missing; the
// program then still runs, with those texts in English.
bool install(QCoreApplication &app);

} // namespace qtjapanese

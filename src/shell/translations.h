#pragma once
class QCoreApplication;

// German numbers, dates and sizes in every dialog whatever LANG says: Qt's dialogs format with
// the system locale, which Qt reads from the environment once, at its first use. Call before the
// application object exists; the C library keeps the user's locale.
void UseGermanLocale();

// The program speaks German whatever the desktop's language: Qt's own texts (file dialogs, the
// overwrite question, message-box buttons, key names in the menus) come from Qt's German
// catalogue. False when the catalogue is not installed; the texts then stay English.
bool LoadGermanQtTexts(QCoreApplication& app);

#pragma once
class QCoreApplication;

// The program speaks German whatever the desktop's language: Qt's own texts (file dialogs, the
// overwrite question, message-box buttons, key names in the menus) come from Qt's German
// catalogue. False when the catalogue is not installed; the texts then stay English.
bool LoadGermanQtTexts(QCoreApplication& app);

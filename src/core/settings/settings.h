#pragma once
#include <QString>
#include <functional>

namespace kestrum {

// The per-user settings store of application "Kestrum": an INI file under the
// user's configuration directory. Section and key names match without regard
// to case; every read asks the file, nothing is cached here.
QString readSetting(const QString &section, const QString &key, const QString &defaultValue);
void writeSetting(const QString &section, const QString &key, const QString &value);
// Removes one entry; a section left empty goes with it.
void removeSetting(const QString &section, const QString &key);
// Deletes the program's own sections ("Lng", "OtherSet", "Setings",
// "Parametr", "History", "Find", "Transmit", "View", "Highlights", "Board",
// "Log"); the user's "Ports" map stays.
void deleteAllSettings();

// Full path of the store's file.
QString settingsFilePath();

// Where "SaveBlock.txt" and "SaveBlock1.txt" live by default: the user's
// documents folder, or the home folder when there is none.
QString defaultDirectory();
QString defaultDocumentFile();   // default dir + "SaveBlock.txt"
QString defaultAutosaveFile();   // default dir + "SaveBlock1.txt"

// A store that cannot be written is reported once per run, not at every
// write, to this handler (the user interface shows it). Tests reset that
// memory.
void setStoreWarningHandler(std::function<void(const QString &)> handler);
void resetStoreWarnings();

} // namespace kestrum

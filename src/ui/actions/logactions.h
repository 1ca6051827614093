#pragma once
#include <QObject>

class QAction;
class QLabel;
class QMenu;

namespace kestrum {

class Session;

// The log's choices in the main window's menus: how the autosave file is cut
// (File > Autosave files), port events in the log and the finer stamps
// (View). Each takes effect with the next line and is kept in the settings;
// all are off at first. With dated files the autosave line (Label8) names
// the file being written.
class LogActions : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QMenu *autosaveFiles;   // mnuAutosaveFiles
        QAction *oneFile;       // mnuOneFile
        QAction *fileEachDay;   // mnuFileEachDay
        QAction *fileAtSize;    // mnuFileAtSize
        QAction *fileSize;      // mnuFileSize: the size a new file starts at
        QAction *portEvents;    // mnuPortEvents
        QAction *milliseconds;  // mnuMilliseconds
        QAction *delta;         // mnuDelta
        QLabel *autosaveLine;   // Label8
    };
    LogActions(const Controls &controls, Session &session, QObject *parent);

    // After the autosave line was set from the Options window: with dated
    // files it names the one written now instead of the chosen one.
    void showFileNow();

private:
    void chosen();
    void askFileSize();

    Controls m_ui;
    Session &m_session;
};

} // namespace kestrum

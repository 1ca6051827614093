#pragma once
#include <QObject>

class QPushButton;
class QAction;
class QWidget;

namespace kestrum {

class DocumentActions;
class Session;
class Windows;

// Leaving the program: the exit check (Command7, File > Exit), the close
// request of the main window, and the one way the program ends. The save
// prompt answers through it.
class ExitCheck : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPushButton *exit;   // Command7
        QAction *exitItem;   // mnuExit
    };
    ExitCheck(const Controls &controls, Session &session, Windows &windows, DocumentActions &documents,
              QWidget *window);

    // The exit check: the save prompt when there is something unsaved,
    // else the program ends.
    void Command7_Click();
    // Returns whether the close may go ahead.
    bool Form_QueryUnload(bool fromUser);
    // The save prompt's Cancel: the exit is off.
    void CancRes();
    // The one way the program ends: a wait for data ends, every other
    // window closes, then the main one.
    void endProgram();

private:
    Session &m_session;
    Windows &m_windows;
    DocumentActions &m_documents;
    QWidget *m_window;
    // A close of the main window is asking whether it may go ahead.
    bool m_closing = false;
};

} // namespace kestrum

#pragma once
#include <QObject>
#include <QRect>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace kestrum {

class Lamp;
class Session;
struct ModemLines;

// Driving a board from the main window: the Transmit menu's line ending,
// Enter sends, flow control, DTR and RTS by hand and the two resets; View >
// Line signals and its strip of lamps under the received box. All of it is
// off, or in a menu, until chosen: with none of its choices made the window
// looks and works as it always did. The choices are kept in the [Board]
// section of the settings.
class BoardActions : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QMenu *transmitMenu;      // mnuTransmit: the items go at its end
        QMenu *viewMenu;          // mnuView
        QPlainTextEdit *sendBox;  // Text1: Enter may send it
        QPushButton *send;        // Command1: what Enter presses
        QWidget *receivedBox;     // Text2: the strip takes its bottom while shown
    };
    BoardActions(const Controls &controls, Session &session, QWidget *window);

    // The strip's height; the received box gives it up while it shows.
    static int stripHeight();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void build();
    void retranslate();
    void chooseDtr(bool on);
    void chooseRts(bool on);
    void reset(bool intoBootLoader);
    void chooseFlowControl(QAction *item);
    void showLineSignals(bool on);
    // The items and lamps as the open line allows, and its states.
    void showUsable();
    void showLines(const ModemLines &lines);

    Controls m_ui;
    Session &m_session;
    QWidget *m_window;

    QMenu *m_lineEndingMenu = nullptr;   // mnuLineEnding
    QActionGroup *m_endings = nullptr;   // mnuEndNone, mnuEndCR, mnuEndLF, mnuEndCRLF
    QAction *m_enterSends = nullptr;     // mnuEnterSends
    QMenu *m_flowMenu = nullptr;         // mnuFlow
    QActionGroup *m_flows = nullptr;     // mnuFlowNone, mnuFlowRtsCts, mnuFlowXonXoff
    QAction *m_dtr = nullptr;            // mnuDTR
    QAction *m_rts = nullptr;            // mnuRTS
    QAction *m_pulseDtr = nullptr;       // mnuPulseDTR
    QAction *m_bootLoader = nullptr;     // mnuBootLoader
    QAction *m_lineSignals = nullptr;    // mnuLineSignals

    QWidget *m_strip = nullptr;          // LineSignals
    Lamp *m_cts, *m_dsr, *m_dcd, *m_ri, *m_dtrLamp, *m_rtsLamp;
    // The received box's place while the strip is hidden.
    QRect m_receivedPlace;
};

} // namespace kestrum

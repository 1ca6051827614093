#pragma once
// The main window's controls and menus, private to the window's own files.
// Each carries its fixed object name; the parts that drive some of them are
// handed theirs.
#include "ui/actions/documentactions.h"
#include "ui/main/exitcheck.h"
#include "ui/actions/findactions.h"
#include "ui/actions/logactions.h"
#include "ui/main/form1.h"
#include "ui/main/portpanel.h"
#include "ui/actions/transmitactions.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;

namespace kestrum {

class ReceivedBox;

struct Form1::Ui {
    PortPanel::Controls port;
    DocumentActions::Controls documents;
    FindActions::Controls find;
    TransmitActions::Controls transmit;
    ExitCheck::Controls exit;
    LogActions::Controls log;

    // Captions: Label1 to Label5 of the port and line lists, Label6 of the
    // send box, Label7 of the received box; Frame1 around the line lists.
    QLabel *portCaption, *baudRateCaption, *parityCaption, *dataBitsCaption, *stopBitsCaption;
    QLabel *sendCaption, *receivedCaption;
    QGroupBox *lineFrame;
    QPushButton *options;         // Command4
    QPushButton *clear;           // Command8
    ReceivedBox *receivedBox;     // Text2
    QLabel *autosaveLine;         // Label8
    QLineEdit *messageCounter;    // Text3

    QMenu *fileMenu;              // mnuFile
    QMenu *editMenu;              // mnuEdit
    QMenu *viewMenu;              // mnuView
    QMenu *transmitMenu;          // mnuTransmit
    QMenu *languageMenu;          // mnuLng
    QMenu *helpMenu;              // mnuSpravka
    QAction *hexView;             // mnuHex
    QAction *russian, *english;   // mnuRus, mnuEng
    QAction *help, *about;        // mnuHelp, mnuAbout
};

} // namespace kestrum

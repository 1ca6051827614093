#pragma once
#include "core/serialdevices.h"
#include <QWidget>
#include "ui/common/recaptioned.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace kestrum {

// The Ports window (File > Ports...): the serial devices present, in the
// order COM1, COM2... take them, and for each of COM1 to COM3 either "the
// n-th device present" or one device, kept as the port's "Ports" entry (the
// device's stable by-id link where it has one). It only looks at what the
// system lists: opening a device raises DTR, which resets many boards.
class Form3 : public Recaptioned<QWidget> {
    Q_OBJECT
public:
    explicit Form3(QWidget *parent = nullptr);

    static constexpr int kPorts = 3;

    QTableWidget *Table1;   // devices present, then absent ones named by an entry
    QGroupBox *Frame1;
    QLabel *Label1, *Label2, *Label3;    // "COM1".."COM3"
    QComboBox *Combo1, *Combo2, *Combo3; // what each port stands for
    QLabel *Label4;                      // when a change takes effect
    QPushButton *Command1, *Command2;    // OK, Cancel

    void Form_Load();
    // Lists the devices again, keeping the choices made and not yet stored.
    void showDevices();
    void Command1_Click();
    void Command2_Click();

    // The port list's tooltip for port n: the device it stands for now and
    // what the system knows of it, or that none does.
    static QString portTip(int n, const PortAssignment &a, const QList<SerialDevice> &present);
    // A device's details, one a line, with their names.
    static QString detailsText(const SerialDevice &device);

    QComboBox *portChoice(int n) const;

signals:
    // OK stored the choices.
    void portsChosen();

protected:

private:
    void retranslateUi() override;
    void fillChoice(int n, const QString &chosen);

    QList<SerialDevice> m_present;
};

} // namespace kestrum

// The setup dialog, driven as an operator would.
#include "serial/com_port.h"
#include "serial/com_setup_frm.h"
#include "serial/qt_com_hand_over.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

std::vector<std::string> Entries(const QComboBox* box) {
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i)
        items.push_back(box->itemText(i).toStdString());
    return items;
}

// Runs the port's setup dialog; act gets the open dialog and closes it.
void WithDialog(TCustomComPort& port, const std::function<void(TComSetupFrm&)>& act) {
    InstallQtComSupport();
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TComSetupFrm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ran = true;
        act(*dialog);
    });
    port.ShowSetupDialog();
    EXPECT_TRUE(ran);
}

void Pick(TComComboBox* box, const QString& text) {
    const int target = box->findText(text);
    ASSERT_GE(target, 0) << text.toStdString();
    box->setFocus();
    if (box->currentIndex() < 0) QTest::keyClick(box, Qt::Key_Home);
    while (box->currentIndex() < target)
        QTest::keyClick(box, Qt::Key_Down);
    while (box->currentIndex() > target)
        QTest::keyClick(box, Qt::Key_Up);
}

std::unique_ptr<TComPort> SystemPort() {
    auto port = std::make_unique<TComPort>("ComPortM");
    port->SetPort("COM7");
    port->SetBaudRate(br38400);
    return port;
}

TEST(ComSetupFrmTest, LayoutNamesAndEntries) {
    TComSetupFrm dialog;
    EXPECT_EQ(dialog.windowTitle(), "Setup");
    EXPECT_EQ(dialog.size(), QSize(231, 216));
    EXPECT_EQ(dialog.GroupBox1->title(), " Settings ");
    const char* labels[] = {"Port",      "Baud rate", "Data bits",
                            "Stop bits", "Parity",    "Flow control"};
    for (int i = 0; i < 6; ++i) {
        auto* combo = dialog.findChild<TComComboBox*>(QString("Combo%1").arg(i + 1));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->isEditable(), i == 0) << i; // only the port can be typed
        auto* label = dialog.findChild<QLabel*>(QString("Label%1").arg(i + 1));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), labels[i]);
    }
    EXPECT_EQ(dialog.Combo2->count(), 16);
    EXPECT_EQ(dialog.Combo2->itemText(0), "Custom");
    EXPECT_EQ(dialog.Combo2->itemText(15), "256000");
    EXPECT_EQ(Entries(dialog.Combo3), (std::vector<std::string>{"5", "6", "7", "8"}));
    EXPECT_EQ(Entries(dialog.Combo4), (std::vector<std::string>{"1", "1.5", "2"}));
    EXPECT_EQ(Entries(dialog.Combo5),
              (std::vector<std::string>{"None", "Odd", "Even", "Mark", "Space"}));
    EXPECT_EQ(Entries(dialog.Combo6),
              (std::vector<std::string>{"Hardware", "Software", "None", "Custom"}));
    EXPECT_EQ(dialog.Button1->text(), "OK");
    EXPECT_TRUE(dialog.Button1->isDefault());
    EXPECT_EQ(dialog.Button2->text(), "Cancel");
}

TEST(ComSetupFrmTest, AnAbsentPortIsShownAmongTheEntriesBesideTheOtherValues) {
    auto port = SystemPort();
    port->Parity().SetBits(prMark);
    port->FlowControl().SetControlRTS(rtsEnable); // a mix: Custom
    WithDialog(*port, [](TComSetupFrm& d) {
        EXPECT_EQ(d.Combo1->currentText(), "COM7"); // not present here, but configured
        const auto entries = Entries(d.Combo1);
        EXPECT_EQ(std::count(entries.begin(), entries.end(), "COM7"), 1);
        EXPECT_EQ(d.Combo2->currentText(), "38400");
        EXPECT_EQ(d.Combo3->currentText(), "8");
        EXPECT_EQ(d.Combo4->currentText(), "1");
        EXPECT_EQ(d.Combo5->currentText(), "Mark");
        EXPECT_EQ(d.Combo6->currentText(), "Custom");
        d.Button2->click();
    });
}

TEST(ComSetupFrmTest, CancelChangesNothingEvenAfterPicks) {
    auto port = SystemPort();
    WithDialog(*port, [](TComSetupFrm& d) {
        d.Combo1->SetEntries({"COM3", "COM7", "COM8"});
        d.Combo1->UpdateSettings();
        Pick(d.Combo1, "COM8");
        Pick(d.Combo2, "115200");
        Pick(d.Combo5, "Odd");
        Pick(d.Combo6, "Hardware");
        EXPECT_EQ(d.Combo2->Select().ChosenBaudRate(), br115200);
        d.Button2->click();
    });
    EXPECT_EQ(port->Port(), "COM7");
    EXPECT_EQ(port->BaudRate(), br38400);
    EXPECT_EQ(port->Parity().Bits(), prNone);
    EXPECT_EQ(port->FlowControl().FlowControl(), fcNone);
}

TEST(ComSetupFrmTest, OkAppliesThePicksTogether) {
    auto port = SystemPort();
    WithDialog(*port, [](TComSetupFrm& d) {
        d.Combo1->SetEntries({"COM3", "COM7", "COM8"});
        d.Combo1->UpdateSettings();
        EXPECT_EQ(d.Combo1->currentText(), "COM7");
        Pick(d.Combo1, "COM3");
        Pick(d.Combo2, "115200");
        Pick(d.Combo3, "7");
        Pick(d.Combo4, "2");
        Pick(d.Combo5, "Even");
        Pick(d.Combo6, "Hardware");
        QTest::keyClick(&d, Qt::Key_Return); // the default button
    });
    EXPECT_EQ(port->Port(), "COM3");
    EXPECT_EQ(port->BaudRate(), br115200);
    EXPECT_EQ(port->DataBits(), dbSeven);
    EXPECT_EQ(port->StopBits(), sbTwoStopBits);
    EXPECT_EQ(port->Parity().Bits(), prEven);
    EXPECT_EQ(port->FlowControl().FlowControl(), fcHardware);
}

TEST(ComSetupFrmTest, OkWithoutAPortPickKeepsTheNameAndCustomKeepsTheFlowFields) {
    auto port = SystemPort();
    port->SetBaudRate(brCustom);
    port->SetCustomBaudRate(250000);
    port->FlowControl().SetControlRTS(rtsEnable);
    port->FlowControl().SetXonXoffIn(true);
    WithDialog(*port, [](TComSetupFrm& d) {
        EXPECT_EQ(d.Combo2->currentText(), "Custom");
        d.Button1->click();
    });
    EXPECT_EQ(port->Port(), "COM7");
    EXPECT_EQ(port->BaudRate(), brCustom);
    EXPECT_EQ(port->CustomBaudRate(), 250000);
    EXPECT_EQ(port->FlowControl().ControlRTS(), rtsEnable);
    EXPECT_TRUE(port->FlowControl().XonXoffIn());
}

// Typed into the port box, a path or a COM name is the port on OK; an
// emptied box keeps the port's name; cancel keeps it whatever was typed.
TEST(ComSetupFrmTest, ATypedPortIsKeptAndApplied) {
    struct Case {
        QString typed;
        bool ok;
        std::string port;
    };
    const Case cases[] = {{"/tmp/qvr-sensor", true, "/tmp/qvr-sensor"},
                          {"  /dev/serial/by-id/usb-FTDI_A-if00-port0 ", true,
                           "/dev/serial/by-id/usb-FTDI_A-if00-port0"},
                          {"COM12", true, "COM12"},
                          {"", true, "COM7"},
                          {"/tmp/other", false, "COM7"}};
    for (const Case& c : cases) {
        auto port = SystemPort();
        WithDialog(*port, [&c](TComSetupFrm& d) {
            d.Combo1->setFocus();
            d.Combo1->lineEdit()->selectAll();
            QTest::keyClick(d.Combo1->lineEdit(), Qt::Key_Delete);
            QTest::keyClicks(d.Combo1->lineEdit(), c.typed);
            (c.ok ? d.Button1 : d.Button2)->click();
        });
        EXPECT_EQ(port->Port(), c.port) << c.typed.toStdString();
    }
}

} // namespace
} // namespace qvr::test

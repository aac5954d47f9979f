// Text forms, failure messages and the rules of the setting groups.
#include "serial/com_port.h"
#include "serial/com_text.h"
#ifndef _WIN32
#include "serial/posix_com_device.h"
#endif

#include <gtest/gtest.h>

namespace qvr {
namespace {

TEST(ComText, ConversionsIgnoreCaseAndFallBackToTheirDefaults) {
    EXPECT_EQ(StrToBaudRate("38400"), br38400);
    EXPECT_EQ(StrToBaudRate("cUsToM"), brCustom);
    EXPECT_EQ(StrToBaudRate("12345"), br9600);
    EXPECT_EQ(StrToBaudRate(" 38400"), br9600); // no trimming
    EXPECT_EQ(StrToStopBits("1.5"), sbOne5StopBits);
    EXPECT_EQ(StrToStopBits("3"), sbOneStopBit);
    EXPECT_EQ(StrToDataBits("7"), dbSeven);
    EXPECT_EQ(StrToDataBits(""), dbEight);
    EXPECT_EQ(StrToParity("space"), prSpace);
    EXPECT_EQ(StrToParity("X"), prNone);
    EXPECT_EQ(StrToFlowControl("HARDWARE"), fcHardware);
    EXPECT_EQ(StrToFlowControl("Xon"), fcCustom);

    for (int b = brCustom; b <= br256000; ++b)
        EXPECT_EQ(StrToBaudRate(BaudRateToStr(TBaudRate(b))), b);
    EXPECT_EQ(BaudRateToStr(br256000), "256000");
    EXPECT_EQ(BaudRateValue(br56000), 56000);
    EXPECT_EQ(BaudRateValue(brCustom), 0);
    EXPECT_EQ(StopBitsToStr(sbTwoStopBits), "2");
    EXPECT_EQ(DataBitsToStr(dbFive), "5");
    EXPECT_EQ(ParityToStr(prMark), "Mark");
    EXPECT_EQ(FlowControlToStr(fcNone), "None");
}

TEST(ComText, ErrorSetsRenderInFixedOrder) {
    EXPECT_EQ(ComErrorsToStr({}), "<Ok>");
    EXPECT_EQ(ComErrorsToStr({ceTxFull, ceFrame, ceIO}), "<ComError:Frame,IO,TxFull>");
    EXPECT_EQ(ComErrorsToStr({ceRxParity}), "<ComError:Parity>");
}

TEST(EComPortTest, MessageCarriesThePlatformNumberOnlyWhenThereIsOne) {
    EComPort open(CE_OpenFailed, 2);
    EXPECT_STREQ(open.what(), "Unable to open com port (Error: 2)");
    EXPECT_EQ(open.Code(), 1);
    EXPECT_EQ(open.WinCode(), 2);

    EComPort store(CE_StoreFailed);
    EXPECT_STREQ(store.what(), "Failed to store settings");
    EXPECT_EQ(store.WinCode(), -1);

    EComPort zero(CE_WriteFailed, 0);
    EXPECT_STREQ(zero.what(), "WriteFile function failed");
    EXPECT_EQ(zero.WinCode(), -1);

    EComPort notOpen(CEPortNotOpen, 9);
    EXPECT_STREQ(notOpen.what(), "Port Not Open");
    EXPECT_EQ(notOpen.WinCode(), -1);

    EXPECT_STREQ(EComPort::CodeText(19), "Cannot change led state if ComPort is selected");
    EXPECT_STREQ(EComPort::CodeText(22), "A component is linked to OnRxBuf event");
}

TEST(FlowControlTest, DerivedValueFollowsTheFields) {
    struct Case {
        TRTSFlowControl rts;
        bool cts, xin, xout;
        TFlowControl expected;
    };
    const Case cases[] = {
        {rtsHandshake, true, false, false, fcHardware}, {rtsDisable, false, true, true, fcSoftware},
        {rtsDisable, false, false, false, fcNone},      {rtsEnable, false, false, false, fcCustom},
        {rtsDisable, false, true, false, fcCustom},     {rtsHandshake, true, true, true, fcCustom},
    };
    for (const Case& c : cases) {
        TComPort port;
        port.FlowControl().SetControlRTS(c.rts);
        port.FlowControl().SetOutCTSFlow(c.cts);
        port.FlowControl().SetXonXoffIn(c.xin);
        port.FlowControl().SetXonXoffOut(c.xout);
        // DTR and DSR play no part.
        port.FlowControl().SetControlDTR(dtrHandshake);
        port.FlowControl().SetOutDSRFlow(true);
        EXPECT_EQ(port.FlowControl().FlowControl(), c.expected)
            << c.rts << c.cts << c.xin << c.xout;
    }
}

TEST(FlowControlTest, PresetsResetTheFieldsAndCustomKeepsThem) {
    TComPort port;
    port.FlowControl().SetFlowControl(fcHardware);
    EXPECT_EQ(port.FlowControl().ControlRTS(), rtsHandshake);
    EXPECT_TRUE(port.FlowControl().OutCTSFlow());
    port.FlowControl().SetFlowControl(fcSoftware);
    EXPECT_EQ(port.FlowControl().ControlRTS(), rtsDisable);
    EXPECT_FALSE(port.FlowControl().OutCTSFlow());
    EXPECT_TRUE(port.FlowControl().XonXoffIn());
    EXPECT_TRUE(port.FlowControl().XonXoffOut());
    port.FlowControl().SetXonXoffIn(false);
    port.FlowControl().SetFlowControl(fcCustom);
    EXPECT_FALSE(port.FlowControl().XonXoffIn());
    EXPECT_TRUE(port.FlowControl().XonXoffOut());
    port.FlowControl().SetFlowControl(fcNone);
    EXPECT_EQ(port.FlowControl().FlowControl(), fcNone);
}

TEST(ComPortSettings, DefaultsAndTheProgramsLineSettings) {
    TComPort port("ComPortM");
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.CustomBaudRate(), 9600);
    EXPECT_EQ(port.Events(), AllComEvents);
    EXPECT_EQ(port.StoredProps(), TStoredProps{spBasic});
    EXPECT_EQ(port.Timeouts().ReadInterval(), -1);
    EXPECT_EQ(port.Timeouts().WriteTotalMultiplier(), 100);
    EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 1000);
    EXPECT_EQ(port.FlowControl().XonChar(), 17);
    EXPECT_EQ(port.FlowControl().XoffChar(), 19);
    EXPECT_FALSE(port.Connected());

    port.SetBaudRate(br38400);
    port.SetDiscardNull(true);
    port.Buffer().SetInputSize(2048);
    const TComLineSettings s = port.LineSettings();
    EXPECT_EQ(s.BaudRate, 38400);
    EXPECT_EQ(s.ByteSize, 8);
    EXPECT_EQ(s.Parity, prNone);
    EXPECT_EQ(s.StopBits, sbOneStopBit);
    EXPECT_EQ(s.DtrControl, dtrDisable);
    EXPECT_EQ(s.RtsControl, rtsDisable);
    EXPECT_FALSE(s.OutCTSFlow || s.OutX || s.InX);
    EXPECT_TRUE(s.DiscardNull);
    EXPECT_EQ(s.XonLim, 512);
    EXPECT_EQ(s.XoffLim, 512);

    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(250000);
    EXPECT_EQ(port.LineSettings().BaudRate, 250000);

    // The replacement character counts only with parity checking on.
    port.Parity().SetReplace(true);
    port.Parity().SetReplaceChar('?');
    EXPECT_FALSE(port.LineSettings().ErrorCharEnabled);
    EXPECT_EQ(port.LineSettings().ErrorChar, 0);
    port.Parity().SetCheck(true);
    EXPECT_TRUE(port.LineSettings().ErrorCharEnabled);
    EXPECT_EQ(port.LineSettings().ErrorChar, '?');
}

TEST(ComPortSettings, OddBufferSizesAreStoredOneSmaller) {
    TComPort port;
    port.Buffer().SetInputSize(2049);
    port.Buffer().SetOutputSize(7);
    EXPECT_EQ(port.Buffer().InputSize(), 2048);
    EXPECT_EQ(port.Buffer().OutputSize(), 6);
    port.Buffer().SetOutputSize(-3);
    EXPECT_EQ(port.Buffer().OutputSize(), -3);
}

TEST(PosixDevicePathTest, NamesMapToDevicePaths) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX device paths; Windows opens \\\\.\\COMn by name";
#else
    EXPECT_EQ(PosixDevicePath("/dev/pts/3"), "/dev/pts/3");
    EXPECT_EQ(PosixDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(PosixDevicePath("com7"), "/dev/ttyS6");
    EXPECT_EQ(PosixDevicePath("COM"), "/dev/COM");
    EXPECT_EQ(PosixDevicePath("COM0"), "/dev/COM0");
    EXPECT_EQ(PosixDevicePath("ttyUSB0"), "/dev/ttyUSB0");
#endif
}

} // namespace
} // namespace qvr

// The port's settings file: one INI section named after the port.
#include "serial/custom_com_port.h"

#include "base/ini_file.h"
#include "serial/com_text.h"

namespace qvr {

void TCustomComPort::StoreSettings(TStoreType StoreType, const std::string& StoreTo) {
    try {
        if (StoreType != stIniFile) throw EComPort(CE_StoreFailed);
        IniFile ini(StoreTo);
        if (storedProps_.Contains(spBasic)) {
            ini.WriteString(name_, "Port", port_);
            ini.WriteString(name_, "BaudRate", BaudRateToStr(baudRate_));
            if (baudRate_ == brCustom) ini.WriteInteger(name_, "CustomBaudRate", customBaudRate_);
            ini.WriteString(name_, "StopBits", StopBitsToStr(stopBits_));
            ini.WriteString(name_, "DataBits", DataBitsToStr(dataBits_));
            ini.WriteString(name_, "Parity", ParityToStr(parity_.Bits()));
            ini.WriteString(name_, "FlowControl", FlowControlToStr(flowControl_.FlowControl()));
        }
    } catch (...) {
        throw EComPort(CE_StoreFailed);
    }
}

void TCustomComPort::LoadSettings(TStoreType StoreType, const std::string& LoadFrom) {
    if (StoreType != stIniFile) throw EComPort(CE_LoadFailed);
    const int depth = updateCount_;
    BeginUpdate();
    try {
        const IniFile ini(LoadFrom);
        if (storedProps_.Contains(spBasic)) {
            SetPort(ini.ReadString(name_, "Port", port_));
            SetBaudRate(StrToBaudRate(ini.ReadString(name_, "BaudRate", BaudRateToStr(baudRate_))));
            if (baudRate_ == brCustom)
                SetCustomBaudRate(ini.ReadInteger(name_, "CustomBaudRate", 9600));
            SetStopBits(StrToStopBits(ini.ReadString(name_, "StopBits", StopBitsToStr(stopBits_))));
            SetDataBits(StrToDataBits(ini.ReadString(name_, "DataBits", DataBitsToStr(dataBits_))));
            parity_.SetBits(
                StrToParity(ini.ReadString(name_, "Parity", ParityToStr(parity_.Bits()))));
            flowControl_.SetFlowControl(StrToFlowControl(ini.ReadString(
                name_, "FlowControl", FlowControlToStr(flowControl_.FlowControl()))));
        }
        EndUpdate();
    } catch (...) {
        if (updateCount_ > depth) {
            // Whatever was set stays set; an open device still gets it.
            updateCount_ = depth;
            if (CanApply()) {
                try {
                    SetupComPort();
                } catch (...) {
                }
            }
        }
        throw EComPort(CE_LoadFailed);
    }
}

} // namespace qvr

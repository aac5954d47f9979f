#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace qvr {

// A small set of enumeration values, one bit per ordinal.
template <class E> class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items)
            Include(e);
    }
    static constexpr TSet FromBits(std::uint32_t bits) {
        TSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr std::uint32_t Bits() const { return bits_; }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TSet& Include(E e) {
        bits_ |= Bit(e);
        return *this;
    }
    constexpr TSet& Exclude(E e) {
        bits_ &= ~Bit(e);
        return *this;
    }
    constexpr TSet operator|(TSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TSet operator&(TSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr std::uint32_t Bit(E e) {
        return std::uint32_t{1} << static_cast<std::underlying_type_t<E>>(e);
    }
    std::uint32_t bits_ = 0;
};

enum TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };

enum TComEvent {
    evRxChar,
    evTxEmpty,
    evRxFlag,
    evRing,
    evBreak,
    evCTS,
    evDSR,
    evError,
    evRLSD,
    evRx80Full
};
using TComEvents = TSet<TComEvent>;
inline constexpr TComEvents AllComEvents = TComEvents::FromBits(0x3FF);

enum TComSignal { csCTS, csDSR, csRing, csRLSD };
using TComSignals = TSet<TComSignal>;

enum TComError { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
using TComErrors = TSet<TComError>;

enum TStoredProp { spBasic, spFlowControl, spBuffer, spTimeouts, spParity, spOthers };
using TStoredProps = TSet<TStoredProp>;

enum TComLinkEvent { leConn, leCTS, leDSR, leRLSD, leRing, leRx, leTx, leTxEmpty, leRxFlag };

enum TOperationKind { okWrite, okRead };

enum TStoreType { stRegistry, stIniFile };

// Only synchronous hand-over to the user-interface thread is offered.
enum TSyncMethod { smThreadSync };

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

} // namespace qvr

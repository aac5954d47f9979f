// Setpoint files as they travel between labs: any file loads into finite
// single-precision values (a bad or missing key takes its default), and what
// is saved loads back to the same values.
#include "base/text_file.h"
#include "core/setpoint_file.h"
#include "fuzz/fuzz_check.h"

#include <cmath>

namespace {

using qvr::TWritePrm;

// Every float of the set, in declaration order.
template <class F> void EachValue(TWritePrm& p, F&& f) {
    f(p.ErDifCenter);
    for (float& v : p.ErDifDir)
        f(v);
    f(p.HeaterWatt);
    f(p.DifT0m);
    f(p.AdjDifT);
    f(p.AdjWS);
    for (float& v : p.DIV)
        f(v);
    for (float& v : p.VAL)
        f(v);
    f(p.ATRevice0);
    f(p.ATRevice1);
    f(p.WDTRevice0);
    f(p.WDTRevice1);
    f(p.ATRev);
    f(p.ChipStdV);
}

std::vector<float> Values(TWritePrm& p) {
    std::vector<float> out;
    EachValue(p, [&](float v) { out.push_back(v); });
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = qvr::fuzz::ScratchFile();
    qvr::ReplaceFileBytes(path, std::string(reinterpret_cast<const char*>(data), size));

    TWritePrm loaded;
    EachValue(loaded, [](float& v) { v = NAN; }); // nothing may survive from before
    qvr::LoadSetpointFile(loaded, path);
    for (float v : Values(loaded))
        FUZZ_CHECK(std::isfinite(v), "a loaded value is not finite");

    qvr::SaveSetpointFile(loaded, path);
    TWritePrm again;
    qvr::LoadSetpointFile(again, path);
    const auto a = Values(loaded), b = Values(again);
    for (std::size_t i = 0; i < a.size(); ++i)
        FUZZ_CHECK(a[i] == b[i], // -0 may come back as 0
                   "value " + std::to_string(i) + " changed in a save and load");
    return 0;
}

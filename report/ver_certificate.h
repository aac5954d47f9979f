#pragma once

#include "base/date_time.h"
#include "core/verification.h"

#include <string>
#include <vector>

namespace qvr {

// The digital calibration certificate of a verification run: the lab's
// table of reference, test item and deviation with their expanded
// uncertainties, the regression and the ambient air temperature, as JSON
// in the IEA Wind Task 43 form.
struct VerCertificateInput {
    std::string SerialNo;
    std::string Model;            // the model number as the sensor reports it; empty when not sent
    std::string Firmware;         // its firmware version; empty when not sent
    VerSettings Settings;         // the lab's texts and the reference's uncertainty
    std::vector<VerPoint> Points; // in the order taken
    TDateTime Finished = 0;       // the date of issue
};

// What keeps the certificate from being written, in the tab's words (empty
// when nothing does): a field the certificate needs is empty, or the fit
// gives no regression with its residual standard deviation.
std::string VerCertificateProblem(const VerCertificateInput& input);

// The certificate as JSON text (UTF-8, indented). Call only when
// VerCertificateProblem gives nothing.
std::string VerCertificateJson(const VerCertificateInput& input);

// Replaces the file through a temporary file beside it. Throws TextFileError
// naming the file when it cannot be written.
void WriteVerCertificate(const std::string& path, const VerCertificateInput& input);

} // namespace qvr

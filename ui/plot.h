#pragma once

// QCustomPlot, the charts' library. Its header speaks Qt's keywords (signals,
// slots, foreach), which this program builds without (QT_NO_KEYWORDS): they
// are lent to it here and taken back.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef foreach

#pragma once

// Marks a text that a window shows for translation, in a context the window
// translates it with; the standard-C++ code itself keeps the Japanese text
// (also the one written into files). The same definition as Qt's, so that
// either may come first.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

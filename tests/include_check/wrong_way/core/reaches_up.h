#pragma once

// A core header that reaches up into a window: the include check must refuse it.
#include "app/main_form.h"

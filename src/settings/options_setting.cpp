#include "options_setting.h"

TOptionsSetting OptionsSetting;

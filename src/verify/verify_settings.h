#pragma once
// What a verified rip needs to know from the settings, in one value that can
// be handed to a worker thread: how to read, and which databases to ask where.

#include "net/http_client.h"
#include "settings/options_setting.h"
#include "settings/read_mode.h"

#include <QString>

struct TVerifySettings {
    TReadMode Mode = TReadMode::Auto;
    int ReadOffset = 0; // samples
    // How often a secure read tries a failing sector again before it is given up.
    int Retries = 20;
    bool AccurateRip = true;
    bool Ctdb = true;
    QString AccurateRipServer;
    QString CtdbServer;
    THttpSettings Http; // time-outs, proxy, User-Agent
};

// The settings of the options record; an unknown read mode reads as auto and
// an offset beyond kMaxReadOffset is cut to it.
TVerifySettings VerifySettingsFrom(const TOptionsSetting& options);

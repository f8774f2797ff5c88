#include "process_info.h"

#include <QCoreApplication>
#include <QObject>

void postProcessInfo(QObject* receiver, std::unique_ptr<TProcessInfo> info)
{
    QCoreApplication::postEvent(receiver, new TMessageEvent(WM_PROCESSINFO, 0, std::move(info)));
}

void postMessage(QObject* receiver, int message, qintptr wParam)
{
    QCoreApplication::postEvent(receiver, new TMessageEvent(message, wParam));
}

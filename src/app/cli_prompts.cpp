#include "cli_prompts.h"

#include <QByteArray>
#include <QString>

#include <unistd.h>

namespace {

// One line per message: the texts carry Windows line breaks in places.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text.trimmed();
}

} // namespace

TCliPrompts::TCliPrompts(TAnswer answer, std::FILE* err) : m_answer(answer), m_err(err) {}

PromptButton TCliPrompts::message(const QString& text, PromptIcon icon, unsigned buttons,
                                  const QString&)
{
    if (beforeWrite)
        beforeWrite(beforeWriteContext);
    const QByteArray line = oneLine(text).toLocal8Bit();
    const bool question = (buttons & pbYes) != 0;
    if (!question) {
        if (icon == PromptIcon::Error || icon == PromptIcon::Warning)
            ++m_errors;
        std::fprintf(m_err, "quillon: %s\n", line.constData());
        std::fflush(m_err);
        for (PromptButton b : {pbOk, pbYes, pbRetry, pbIgnore, pbAbort, pbCancel, pbNo}) {
            if (buttons & b)
                return b;
        }
        return pbOk;
    }
    const PromptButton no = (buttons & pbNo) ? pbNo : pbCancel;
    TAnswer answer = m_answer;
    if (answer == TAnswer::Ask && !isatty(STDIN_FILENO))
        answer = TAnswer::No;
    switch (answer) {
    case TAnswer::Yes:
        std::fprintf(m_err, "quillon: %s yes (--overwrite)\n", line.constData());
        std::fflush(m_err);
        return pbYes;
    case TAnswer::No:
        std::fprintf(m_err, "quillon: %s no (--overwrite replaces it)\n", line.constData());
        std::fflush(m_err);
        return no;
    case TAnswer::Ask:
        break;
    }
    std::fprintf(m_err, "quillon: %s [y/N] ", line.constData());
    std::fflush(m_err);
    char reply[64] = {};
    if (!std::fgets(reply, sizeof reply, stdin))
        return no;
    return (reply[0] == 'y' || reply[0] == 'Y') ? pbYes : no;
}

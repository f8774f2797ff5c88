#include "verify_db_server.h"

#include "verify/accuraterip_disc_id.h"

namespace {

const QByteArray kNoCtdbEntries = "<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\"/>";

} // namespace

discgen::DiscSpec VerifiableDisc()
{
    discgen::DiscSpec spec;
    spec.tracks = {{600, discgen::Signal::Noise, 0, 21},
                   {520, discgen::Signal::Noise, 0, 22},
                   {480, discgen::Signal::Noise, 0, 23}};
    return spec;
}

VerifyDbServer::VerifyDbServer() : m_ctdbAnswer(kNoCtdbEntries)
{
    m_server = std::make_unique<CddbTestServer>([this](const QByteArray& line) {
        const std::lock_guard lock(m_mutex);
        if (!m_arPath.isEmpty() && line.startsWith("GET " + m_arPath + " "))
            return m_arAnswer.isEmpty() ? TestHttpReply{"", 404} : TestHttpReply{m_arAnswer};
        if (line.startsWith("GET /lookup2.php?"))
            return TestHttpReply{m_ctdbAnswer};
        return TestHttpReply{"", 404};
    });
}

void VerifyDbServer::know(const discgen::DiscSpec& disc, bool inDatabase)
{
    discgen::DiscSpec intact = disc;
    intact.changes.clear();
    intact.shift = 0;
    const std::lock_guard lock(m_mutex);
    m_arPath = "/accuraterip/" + AccurateRipDiscIdOf(discgen::TocOfDisc(disc)).path().toLatin1();
    m_arAnswer = inDatabase ? discgen::AccurateRipAnswerOf(intact, {12, 5}) : QByteArray();
    m_ctdbAnswer = inDatabase ? discgen::CtdbAnswerOf(intact, 7) : kNoCtdbEntries;
}

QString VerifyDbServer::url() const
{
    return QStringLiteral("http://") + m_server->address();
}

QString VerifyDbServer::iniLines() const
{
    return QStringLiteral("AccurateRipServer=%1\nCTDBServer=%1\n").arg(url());
}

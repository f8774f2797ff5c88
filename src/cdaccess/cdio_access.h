#pragma once
// The CD access interface on libcdio. The drive list holds the physical drives
// first, then image files (.cue/.bin, .toc, .nrg) that open as drives: those
// named in $QUILLON_CD_IMAGES (separated by ':') and those added with
// AddImageDrives (the program's --cd-image options).
//
// Threads: the list and open/close come from the UI thread; reads of one handle
// may come from any thread and are serialised by the handle's own lock. A
// handle closed while another thread still reads it stays alive until that
// read ends.

#include "cdaccess/cd_access.h"

#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

// Adds image files to the drive list of the libcdio implementation (kept for
// the life of the process, after those from the environment, without repeats).
void AddImageDrives(const QStringList& paths);
// Removes every "--cd-image FILE" and "--cd-image=FILE" pair from args and
// returns the files in order; a trailing "--cd-image" without a file is dropped.
QStringList TakeImageDriveArguments(QStringList& args);
// The image files the list shows now: environment first, then added ones.
QStringList ImageDrivePaths();

class TCdioAccess : public ICDAccess {
public:
    TCdioAccess();
    ~TCdioAccess() override;
    TCdioAccess(const TCdioAccess&) = delete;
    TCdioAccess& operator=(const TCdioAccess&) = delete;

    std::vector<TCDREC> GetCDList() override;
    HCDROM GetCDHandle(const TCDREC& drive) override;
    bool CloseCDHandle(HCDROM handle) override;
    bool ModifyCDParms(HCDROM handle, int which, int value) override;
    bool ReadTOC(HCDROM handle, TTOC& toc) override;
    bool ReadCDAudioLBA(HCDROM handle, TTRACKBUF& buf) override;
    // Paranoia on a libcdio object of its own for the handle's drive or image.
    std::unique_ptr<ISectorSource> OpenSectorSource(HCDROM handle,
                                                    const TSectorSourceOptions& options) override;
    int GetAspiLibError() override;
    QString LastErrorText() override;
    bool EjectMedia(HCDROM handle) override;
    bool CloseTray(HCDROM handle) override;
    bool ReadCDText(HCDROM handle, TCdText& text) override;

    // Whether the handle's TOC addresses were switched to minute/second/frame.
    bool IsMsfMode(HCDROM handle);

private:
    struct Drive;
    std::shared_ptr<Drive> find(HCDROM handle);

    std::mutex m_handlesLock;
    std::map<HCDROM, std::shared_ptr<Drive>> m_handles;
    HCDROM m_nextHandle = 1;
};

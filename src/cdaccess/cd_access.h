#pragma once
// The CD access interface: drive list, handles, address mode, table of
// contents and audio sector reads, as typed C++ calls. The real implementation
// sits on libcdio (physical drives first, then image drives: .cue/.bin, .toc,
// .nrg); tests install an in-memory drive that can fail chosen reads.
//
// Threads: GetCDList/GetCDHandle/CloseCDHandle/ModifyCDParms/ReadTOC come from
// the UI thread; ReadCDAudioLBA also from the rip thread and the CD playback
// worker. Implementations serialise access to one handle internally.

#include "cd_text.h"
#include "cdaccess/sector_source.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// A drive handle; 0 means none / failure.
using HCDROM = std::uint32_t;

// Codes returned by GetAspiLibError (0: the last call succeeded).
enum CDAccessError : int {
    CDERR_NONE = 0,
    CDERR_NO_DRIVE = 1,      // the drive is not in the list / image missing or unreadable
    CDERR_OPEN = 2,          // the drive or image could not be opened
    CDERR_BAD_HANDLE = 3,    // no open drive has this handle
    CDERR_BAD_PARAMETER = 4, // a parameter the drive does not know, or a bad buffer
    CDERR_NO_TOC = 5,        // no disc, or its table of contents cannot be read
    CDERR_READ = 6,          // a sector read failed
    CDERR_RANGE = 7,         // the sectors asked for lie outside the disc
    CDERR_TRAY = 8,          // eject / close tray failed or is impossible
};

// The address-mode parameter of ModifyCDParms and its value for minute/second/frame.
constexpr int kCDParmAddressMode = 36;
constexpr int kAddressModeMsf = 1;

constexpr int kSectorSize = 2352;    // bytes of one CD audio frame
constexpr int kFramesPerSecond = 75; // CD frames per second
constexpr int kLeadInFrames = 150;   // MSF addresses count the 2-second lead-in
// Stereo 16-bit samples of one frame.
constexpr int kSamplesPerSector = kSectorSize / 4;

// One entry of the drive list.
struct TCDREC {
    std::uint8_t HostAdapter = 0;
    std::uint8_t Target = 0;
    std::uint8_t Lun = 0;
    QString Vendor;
    QString Product;
    QString Device;       // device node or image file path
    bool IsImage = false; // an image file opened as a drive
    // Vendor then product, at most 26 characters.
    QString Name() const;
};

// One TOC entry; the entry after the last track is the lead-out (TrackNumber 0xAA).
struct TTOCTRACK {
    std::uint8_t Control = 0; // bit 2 set: data track
    std::uint8_t TrackNumber = 0;
    // Absolute address in minute/second/frame (LBA + 150 frames).
    std::uint8_t Minute = 0;
    std::uint8_t Second = 0;
    std::uint8_t Frame = 0;
    // Frames counted from 00:00:00, i.e. LBA + 150.
    std::int32_t MsfFrames() const { return (Minute * 60 + Second) * kFramesPerSecond + Frame; }
    std::int32_t Lba() const { return MsfFrames() - kLeadInFrames; }
    bool IsAudio() const { return (Control & 0x04) == 0; }
    // The entry for an absolute address in frames (LBA + 150).
    static TTOCTRACK FromFrames(std::uint8_t trackNumber, std::int32_t frames,
                                std::uint8_t control = 0)
    {
        TTOCTRACK e;
        e.Control = control;
        e.TrackNumber = trackNumber;
        e.Minute = std::uint8_t(frames / (60 * kFramesPerSecond));
        e.Second = std::uint8_t(frames / kFramesPerSecond % 60);
        e.Frame = std::uint8_t(frames % kFramesPerSecond);
        return e;
    }
};

struct TTOC {
    std::uint8_t FirstTrack = 0;
    std::uint8_t LastTrack = 0;
    // Entry k is track FirstTrack + k; Entries.back() is the lead-out.
    std::vector<TTOCTRACK> Entries;
    int TrackCount() const { return Entries.empty() ? 0 : int(Entries.size()) - 1; }
};

// A read request and its result (the six header fields of the original
// buffer, then the data).
struct TTRACKBUF {
    std::int32_t StartFrame = 0;  // first sector (LBA)
    std::int32_t NumFrames = 0;   // sectors to read
    std::int32_t MaxLen = 0;      // capacity: NumFrames * 2352
    std::int32_t Len = 0;         // bytes returned (set by the library)
    std::int32_t Status = 0;      // set by the library: kReadStatusOk or kReadStatusError
    std::int32_t StartOffset = 0; // offset of the audio in Buf (set by the library)
    QByteArray Buf;               // sized MaxLen by the caller
};

constexpr std::int32_t kReadStatusOk = 1;
constexpr std::int32_t kReadStatusError = 4;

class ICDAccess {
public:
    virtual ~ICDAccess() = default;

    virtual std::vector<TCDREC> GetCDList() = 0;
    // Opens a drive; 0 on failure.
    virtual HCDROM GetCDHandle(const TCDREC& drive) = 0;
    virtual bool CloseCDHandle(HCDROM handle) = 0;
    // (kCDParmAddressMode, kAddressModeMsf) switches TOC addresses to MSF; false if refused.
    virtual bool ModifyCDParms(HCDROM handle, int which, int value) = 0;
    virtual bool ReadTOC(HCDROM handle, TTOC& toc) = 0;
    // Reads buf.NumFrames sectors from buf.StartFrame into buf.Buf.
    virtual bool ReadCDAudioLBA(HCDROM handle, TTRACKBUF& buf) = 0;
    // A source for the verifying read loop on the open drive (used by one
    // thread, and closed before the handle). By default it reads through
    // ReadCDAudioLBA; the libcdio implementation reads through paranoia.
    // Null, with the error set, when the drive cannot be read so.
    virtual std::unique_ptr<ISectorSource> OpenSectorSource(HCDROM handle,
                                                            const TSectorSourceOptions& options);
    // The last error code (CDAccessError) and a readable text for it, for the
    // status line and log (the libcdio implementation keeps them per thread).
    virtual int GetAspiLibError() = 0;
    virtual QString LastErrorText() = 0;
    // Tray commands (false where the drive cannot, e.g. an image).
    virtual bool EjectMedia(HCDROM handle) = 0;
    virtual bool CloseTray(HCDROM handle) = 0;
    // The disc's CD-Text; false when it has none (or the drive cannot say).
    // May be called from any thread.
    virtual bool ReadCDText(HCDROM handle, TCdText& text)
    {
        (void)handle;
        (void)text;
        return false;
    }
};

// The installed implementation (libcdio unless a test installed another).
ICDAccess& cdAccess();
// Installs impl (not owned); null restores the libcdio implementation. Meant for
// start-up and tests, not while another thread is using the drive.
void setCDAccess(ICDAccess* impl);

// True when the handle is 0, otherwise the result of CloseCDHandle.
bool CloseCDDrive(HCDROM handle);

// True when the TOC holds at least one audio track (what "an audio CD is in
// the drive" means here).
bool AudioCDPresent(const TTOC& toc);

// The disc key of a TOC: the audio CD serial as a signed decimal text; empty
// for an empty TOC.
QString DiscKeyFromTOC(const TTOC& toc);

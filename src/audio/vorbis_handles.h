#pragma once
// Owners of the libogg/libvorbis records. Each one is set up by its own
// constructor and cleared by its destructor through the bound library, so a
// record is cleared exactly once and only when it was set up. Declare them
// in the order of set-up: destruction then runs in the reverse order the
// libraries require (stream, block, analysis state, comment, info).

#include "audio/vorbis_library.h"

namespace vorbis {

class InfoOwner {
public:
    InfoOwner() { api().vorbis_info_init(&m_info); }
    ~InfoOwner() { api().vorbis_info_clear(&m_info); }
    InfoOwner(const InfoOwner&) = delete;
    InfoOwner& operator=(const InfoOwner&) = delete;
    vorbis_info* get() { return &m_info; }

private:
    vorbis_info m_info{};
};

class CommentOwner {
public:
    CommentOwner() { api().vorbis_comment_init(&m_comment); }
    ~CommentOwner() { api().vorbis_comment_clear(&m_comment); }
    CommentOwner(const CommentOwner&) = delete;
    CommentOwner& operator=(const CommentOwner&) = delete;
    vorbis_comment* get() { return &m_comment; }

private:
    vorbis_comment m_comment{};
};

// The analysis state; needs an info set up by one of the encode inits.
class DspOwner {
public:
    explicit DspOwner(vorbis_info* info) : m_ok(api().vorbis_analysis_init(&m_dsp, info) == 0) {}
    ~DspOwner()
    {
        if (m_ok)
            api().vorbis_dsp_clear(&m_dsp);
    }
    DspOwner(const DspOwner&) = delete;
    DspOwner& operator=(const DspOwner&) = delete;
    bool ok() const { return m_ok; }
    vorbis_dsp_state* get() { return &m_dsp; }

private:
    vorbis_dsp_state m_dsp{};
    bool m_ok;
};

class BlockOwner {
public:
    explicit BlockOwner(DspOwner& dsp)
        : m_ok(dsp.ok() && api().vorbis_block_init(dsp.get(), &m_block) == 0)
    {}
    ~BlockOwner()
    {
        if (m_ok)
            api().vorbis_block_clear(&m_block);
    }
    BlockOwner(const BlockOwner&) = delete;
    BlockOwner& operator=(const BlockOwner&) = delete;
    bool ok() const { return m_ok; }
    vorbis_block* get() { return &m_block; }

private:
    vorbis_block m_block{};
    bool m_ok;
};

class StreamOwner {
public:
    explicit StreamOwner(int serial) : m_ok(api().ogg_stream_init(&m_stream, serial) == 0) {}
    ~StreamOwner()
    {
        if (m_ok)
            api().ogg_stream_clear(&m_stream);
    }
    StreamOwner(const StreamOwner&) = delete;
    StreamOwner& operator=(const StreamOwner&) = delete;
    bool ok() const { return m_ok; }
    ogg_stream_state* get() { return &m_stream; }

private:
    ogg_stream_state m_stream{};
    bool m_ok;
};

// An open libvorbisfile handle; only an open that succeeded is cleared.
class FileOwner {
public:
    FileOwner() = default;
    ~FileOwner() { close(); }
    FileOwner(const FileOwner&) = delete;
    FileOwner& operator=(const FileOwner&) = delete;
    bool open(void* source, const ov_callbacks& callbacks)
    {
        close();
        m_open = api().ov_open_callbacks(source, &m_file, nullptr, 0, callbacks) == 0;
        return m_open;
    }
    void close()
    {
        if (m_open)
            api().ov_clear(&m_file);
        m_open = false;
    }
    bool isOpen() const { return m_open; }
    OggVorbis_File* get() { return &m_file; }

private:
    OggVorbis_File m_file{};
    bool m_open = false;
};

} // namespace vorbis

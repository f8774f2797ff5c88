#pragma once
// Owners of the libcurl handles the HTTP client uses.

#include <curl/curl.h>

#include <memory>

struct CurlEasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
using CurlEasyPtr = std::unique_ptr<CURL, CurlEasyDeleter>;
struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlMultiPtr = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlSlistPtr = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// An easy handle added to a multi handle for the lifetime of this object;
// libcurl wants it removed before either handle is cleaned up.
class CurlMultiAttachment {
public:
    CurlMultiAttachment(CURLM* multi, CURL* easy)
        : m_multi(multi), m_easy(easy), m_ok(curl_multi_add_handle(multi, easy) == CURLM_OK)
    {}
    ~CurlMultiAttachment()
    {
        if (m_ok)
            curl_multi_remove_handle(m_multi, m_easy);
    }
    CurlMultiAttachment(const CurlMultiAttachment&) = delete;
    CurlMultiAttachment& operator=(const CurlMultiAttachment&) = delete;
    bool ok() const { return m_ok; }

private:
    CURLM* m_multi;
    CURL* m_easy;
    bool m_ok;
};

// Initialises libcurl once per process (safe from any thread).
void EnsureCurlInitialised();

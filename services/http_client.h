#pragma once

#include "downloads/services.h"
#include "services/unique_handle.h"

namespace dl {

// How long a fetch waits for each step before it gives up. The download runs on the window's own
// thread, so a server that accepts and never answers would otherwise freeze the program for good:
// WinINet's own receive time-out is unlimited under Wine. (Wine applies none of these to the TLS
// handshake itself, so there a server that never answers the handshake still holds the fetch.)
// (In milliseconds; <chrono> stays out of this header, which GBK-compiled sources include.)
struct HttpTimeouts {
  DWORD connect = 60'000;
  DWORD send = 60'000;
  DWORD receive = 60'000;  // for the response head and for every body read
};

// The one HTTP client of the process. Its session handle is opened at the first fetch, reused by
// every later one and closed with the client.
class HttpClient {
 public:
  // Redirects followed in a row before a fetch gives up.
  static constexpr int kMaxRedirects = 10;

  explicit HttpClient(HttpTimeouts timeouts = {});

  // The whole body at an http or https address, with the status and whether it arrived whole.
  // Redirects are followed here rather than by WinINet, each with the same request: at most
  // kMaxRedirects of them, and never from https to plain http.
  FetchResult fetchUrl(const char* address);

 private:
  HttpTimeouts timeouts_;
  UniqueInternet session_;
};

}  // namespace dl

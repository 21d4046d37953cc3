#pragma once

#include "downloads/services.h"
#include "services/unique_handle.h"

namespace dl {

// The one HTTP client of the process. Its session handle is opened at the first fetch, reused by
// every later one and closed with the client.
class HttpClient {
 public:
  // The whole body at an http or https address, with the status and whether it arrived whole.
  FetchResult fetchUrl(const char* address);

 private:
  UniqueInternet session_;
};

}  // namespace dl

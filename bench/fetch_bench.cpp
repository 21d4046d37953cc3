// fetch_bench client URL | fetch_bench bare URL [READ-BYTES]
// Fetches URL once and prints one line of figures: the bytes received, the seconds the fetch took,
// and the process's memory before it and at its peak.
//   client  the program's own HttpClient::fetchUrl (the body kept whole in memory)
//   bare    the same request through WinINet, read into one reused buffer of READ-BYTES (by
//           default the client's own 100 KiB) and thrown away: what WinINet alone costs
#include <windows.h>

// Both need <windows.h> first.
#include <psapi.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "services/http_client.h"

namespace {

double now() {
  LARGE_INTEGER counter;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

PROCESS_MEMORY_COUNTERS memory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

struct Fetched {
  unsigned long long bytes = 0;
  bool ok = false;
};

// One GET with the client's own request shape (HTTP/1.0, no cache), read `chunk` bytes at a time.
Fetched bareFetch(const std::wstring& url, std::size_t chunk) {
  Fetched fetched;
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = 1;
  if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts)) return fetched;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;

  const HINTERNET session =
      InternetOpenW(L"fetch_bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  const HINTERNET connection = InternetConnectW(session, host.c_str(), parts.nPort, nullptr,
                                                nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  const HINTERNET request =
      HttpOpenRequestW(connection, L"GET", path.c_str(), L"HTTP/1.0", nullptr, nullptr, flags, 0);
  if (request != nullptr && HttpSendRequestW(request, nullptr, 0, nullptr, 0)) {
    std::vector<char> buffer(chunk);
    for (;;) {
      DWORD read = 0;
      if (!InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &read)) {
        break;
      }
      if (read == 0) {
        fetched.ok = true;
        break;
      }
      fetched.bytes += read;
    }
  }
  InternetCloseHandle(request);
  InternetCloseHandle(connection);
  InternetCloseHandle(session);
  return fetched;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: fetch_bench client URL | fetch_bench bare URL [READ-BYTES]\n");
    return 2;
  }
  const std::size_t chunk = argc == 4 ? std::wcstoul(argv[3], nullptr, 10) : 100 * 1024;
  const std::wstring mode = argv[1];
  const std::wstring url = argv[2];
  const PROCESS_MEMORY_COUNTERS before = memory();
  Fetched fetched;
  const double start = now();
  if (mode == L"client") {
    dl::HttpClient client;
    const std::string address(url.begin(), url.end());  // ASCII addresses only
    const dl::FetchResult result = client.fetchUrl(address.c_str());
    fetched.bytes = result.body.size();
    fetched.ok = result.status == 200 && result.whole;
  } else {
    fetched = bareFetch(url, chunk);
  }
  const double seconds = now() - start;
  const PROCESS_MEMORY_COUNTERS after = memory();
  std::printf(
      "ok=%d bytes=%llu seconds=%.6f working_set_before=%llu peak_working_set=%llu "
      "private_before=%llu peak_private=%llu\n",
      fetched.ok ? 1 : 0, fetched.bytes, seconds,
      static_cast<unsigned long long>(before.WorkingSetSize),
      static_cast<unsigned long long>(after.PeakWorkingSetSize),
      static_cast<unsigned long long>(before.PagefileUsage),
      static_cast<unsigned long long>(after.PeakPagefileUsage));
  return fetched.ok ? 0 : 1;
}

#include "services/http_client.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace dl {
namespace {

constexpr wchar_t kAgent[] = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr DWORD kPlainFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;  // 0x84000000
constexpr DWORD kSecureFlags = kPlainFlags | INTERNET_FLAG_SECURE;                  // 0x84800000
constexpr wchar_t kAcceptType[] = L"Accept: */* \r\n";
constexpr wchar_t kExtraHeaders[] = L"Accept: */*\r\n\r\n";
constexpr DWORD kExtraHeadersLength = 15;
constexpr DWORD kMaxChunk = 100 * 1024;

// The pieces of an address that the request needs.
struct Address {
  INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring user;
  std::wstring password;
  std::wstring pathAndQuery;  // the fragment already cut off
};

bool splitAddress(const std::u16string& text, Address& out) {
  // Normalise without escaping, so an address that is already percent-encoded goes out as it is.
  DWORD length = static_cast<DWORD>(text.size() * 2 + 32);
  std::wstring canonical(length, L'\0');
  if (!InternetCanonicalizeUrlW(wide(text), canonical.data(), &length, ICU_NO_ENCODE)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    canonical.resize(length);
    if (!InternetCanonicalizeUrlW(wide(text), canonical.data(), &length, ICU_NO_ENCODE)) {
      return false;
    }
  }
  canonical.resize(length);

  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUserNameLength = parts.dwPasswordLength = 1;
  parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlW(canonical.c_str(), 0, 0, &parts)) return false;

  const auto piece = [](const wchar_t* at, DWORD size) {
    return at == nullptr ? std::wstring() : std::wstring(at, size);
  };
  out.scheme = parts.nScheme;
  out.host = piece(parts.lpszHostName, parts.dwHostNameLength);
  out.port = parts.nPort;
  out.user = piece(parts.lpszUserName, parts.dwUserNameLength);
  out.password = piece(parts.lpszPassword, parts.dwPasswordLength);
  out.pathAndQuery = piece(parts.lpszUrlPath, parts.dwUrlPathLength) +
                     piece(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  out.pathAndQuery.resize(std::min(out.pathAndQuery.find(L'#'), out.pathAndQuery.size()));
  if (out.pathAndQuery.empty()) out.pathAndQuery = L"/";
  return true;
}

DWORD queryStatus(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr)) {
    return 0;
  }
  return status;
}

// The response's Content-Length, or false when it has none.
bool queryContentLength(HINTERNET request, unsigned long long& length) {
  wchar_t text[32] = {};
  DWORD size = sizeof text;
  if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
  wchar_t* end = nullptr;
  length = std::wcstoull(text, &end, 10);
  return end != text && *end == L'\0';
}

// Reads the whole body straight into `body`; false when a read failed or memory ran out.
bool readBody(HINTERNET request, ByteBlock& body, const unsigned long long* contentLength) {
  DWORD chunk = kMaxChunk;
  if (contentLength != nullptr) {
    chunk = static_cast<DWORD>(std::clamp<unsigned long long>(*contentLength, 1, kMaxChunk));
    // One buffer of the announced size, and a byte more for the read that finds the end, so the
    // body is never moved once it is in.
    if (*contentLength >= SIZE_MAX || !body.reserve(static_cast<std::size_t>(*contentLength) + 1)) {
      return false;
    }
  }
  for (;;) {
    const std::size_t room = body.capacity() - body.size();
    const DWORD want = room == 0 ? chunk : static_cast<DWORD>(std::min<std::size_t>(room, chunk));
    std::byte* tail = body.tailSpace(want);
    if (tail == nullptr) return false;
    DWORD read = 0;
    if (!InternetReadFile(request, tail, want, &read)) return false;
    if (read == 0) return true;
    body.commit(read);
  }
}

}  // namespace

FetchResult HttpClient::fetchUrl(const char* address) {
  FetchResult result;
  if (address == nullptr || *address == '\0') return result;

  Address target;
  if (!splitAddress(gbkToUtf16(address), target)) return result;
  DWORD flags = 0;
  if (target.scheme == INTERNET_SCHEME_HTTPS) {
    flags = kSecureFlags;
  } else if (target.scheme == INTERNET_SCHEME_HTTP) {
    flags = kPlainFlags;
  } else {
    return result;
  }

  if (!session_) {
    session_.reset(InternetOpenW(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session_) return result;
  }

  const UniqueInternet connection(InternetConnectW(session_.get(), target.host.c_str(), target.port,
                                                   target.user.c_str(), target.password.c_str(),
                                                   INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return result;

  // Use the system's configured proxy, if any, with no proxy credentials of our own.
  INTERNET_PROXY_INFO proxy{INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr};
  InternetSetOptionW(session_.get(), INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
  InternetSetOptionW(connection.get(), INTERNET_OPTION_PROXY_USERNAME, const_cast<wchar_t*>(L""),
                     0);
  InternetSetOptionW(connection.get(), INTERNET_OPTION_PROXY_PASSWORD, const_cast<wchar_t*>(L""),
                     0);

  const wchar_t* acceptTypes[] = {kAcceptType, nullptr};
  const UniqueInternet request(HttpOpenRequestW(connection.get(), L"GET",
                                                target.pathAndQuery.c_str(), L"HTTP/1.0", nullptr,
                                                acceptTypes, flags, 0));
  if (!request) return result;
  if (!HttpSendRequestW(request.get(), kExtraHeaders, kExtraHeadersLength, nullptr, 0)) {
    return result;
  }

  result.status = static_cast<int>(queryStatus(request.get()));
  unsigned long long contentLength = 0;
  const bool hasLength = queryContentLength(request.get(), contentLength);
  const bool readToEnd = readBody(request.get(), result.body, hasLength ? &contentLength : nullptr);
  // A reset connection and a short body both end in a clean 0-byte read: only the announced
  // length tells them from a complete body.
  result.whole = readToEnd && (!hasLength || result.body.size() == contentLength);
  return result;
}

}  // namespace dl

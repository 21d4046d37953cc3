#include "services/http_client.h"

#include <algorithm>
#include <optional>
#include <string>

#include "downloads/http_fields.h"

namespace dl {
namespace {

constexpr wchar_t kAgent[] = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// Redirects are ours to follow: WinINet under Wine follows a redirect loop forever and sends the
// request that follows a redirect as HTTP/1.1.
constexpr DWORD kPlainFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr DWORD kSecureFlags = kPlainFlags | INTERNET_FLAG_SECURE;
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

std::string utf8Of(std::u16string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const auto* in = reinterpret_cast<const wchar_t*>(text.data());
  std::string out(static_cast<std::size_t>(
                      WideCharToMultiByte(CP_UTF8, 0, in, size, nullptr, 0, nullptr, nullptr)),
                  '\0');
  WideCharToMultiByte(CP_UTF8, 0, in, size, out.data(), static_cast<int>(out.size()), nullptr,
                      nullptr);
  return out;
}

std::u16string utf16Of(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::u16string out(
      static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)),
      u'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, reinterpret_cast<wchar_t*>(out.data()),
                      static_cast<int>(out.size()));
  return out;
}

// What a failed exchange means for the user; None when it has no name of its own. Wine reports
// a receive time-out as an aborted connection (or as the socket's own WSAETIMEDOUT), where Windows
// says ERROR_INTERNET_TIMEOUT: an abort that came no sooner than the time-out (give or take a
// tenth) is taken for one.
FetchFailure failureOf(DWORD error, bool waitedOutTheTimeout) {
  switch (error) {
    case ERROR_INTERNET_TIMEOUT:
    case WSAETIMEDOUT:
      return FetchFailure::TimedOut;
    case ERROR_INTERNET_CONNECTION_ABORTED:
      return waitedOutTheTimeout ? FetchFailure::TimedOut : FetchFailure::None;
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_INVALID_CA:  // Windows, for an authority nobody trusts
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:  // Wine, for the same
    case ERROR_INTERNET_SEC_INVALID_CERT:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
      return FetchFailure::CertificateRejected;
    default:
      return FetchFailure::None;
  }
}

void setTimeout(HINTERNET handle, DWORD option, DWORD milliseconds) {
  InternetSetOptionW(handle, option, &milliseconds, sizeof milliseconds);
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

// The value of a response header as UTF-8, or nullopt when the response has none.
std::optional<std::string> queryHeader(HINTERNET request, DWORD header) {
  std::wstring value(64, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (HttpQueryInfoW(request, header, value.data(), &size, nullptr)) {
      value.resize(size / sizeof(wchar_t));
      return utf8Of(
          std::u16string_view(reinterpret_cast<const char16_t*>(value.data()), value.size()));
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    value.resize(size / sizeof(wchar_t) + 1);
  }
  return std::nullopt;
}

// Reads the whole body straight into `body`; false when a read failed or memory ran out.
bool readBody(HINTERNET request, ByteBlock& body, const std::uint64_t* contentLength) {
  DWORD chunk = kMaxChunk;
  if (contentLength != nullptr) {
    chunk = static_cast<DWORD>(std::clamp<std::uint64_t>(*contentLength, 1, kMaxChunk));
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

// One request sent, with the handles it lives on; `request` is empty when sending failed.
struct Exchange {
  UniqueInternet connection;
  UniqueInternet request;
  FetchFailure failure = FetchFailure::None;
};

Exchange sendRequest(HINTERNET session, const std::u16string& address,
                     const HttpTimeouts& timeouts) {
  Exchange exchange;
  Address target;
  if (!splitAddress(address, target)) return exchange;
  DWORD flags = 0;
  if (target.scheme == INTERNET_SCHEME_HTTPS) {
    flags = kSecureFlags;
  } else if (target.scheme == INTERNET_SCHEME_HTTP) {
    flags = kPlainFlags;
  } else {
    return exchange;
  }

  exchange.connection.reset(InternetConnectW(session, target.host.c_str(), target.port,
                                             target.user.c_str(), target.password.c_str(),
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!exchange.connection) return exchange;

  // Use the system's configured proxy, if any, with no proxy credentials of our own.
  INTERNET_PROXY_INFO proxy{INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr};
  InternetSetOptionW(session, INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
  InternetSetOptionW(exchange.connection.get(), INTERNET_OPTION_PROXY_USERNAME,
                     const_cast<wchar_t*>(L""), 0);
  InternetSetOptionW(exchange.connection.get(), INTERNET_OPTION_PROXY_PASSWORD,
                     const_cast<wchar_t*>(L""), 0);

  const wchar_t* acceptTypes[] = {kAcceptType, nullptr};
  exchange.request.reset(HttpOpenRequestW(exchange.connection.get(), L"GET",
                                          target.pathAndQuery.c_str(), L"HTTP/1.0", nullptr,
                                          acceptTypes, flags, 0));
  if (!exchange.request) return exchange;
  setTimeout(exchange.request.get(), INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect);
  setTimeout(exchange.request.get(), INTERNET_OPTION_SEND_TIMEOUT, timeouts.send);
  setTimeout(exchange.request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive);
  const ULONGLONG sentAt = GetTickCount64();
  if (!HttpSendRequestW(exchange.request.get(), kExtraHeaders, kExtraHeadersLength, nullptr, 0)) {
    const DWORD error = GetLastError();
    const ULONGLONG waited = GetTickCount64() - sentAt;
    exchange.failure = failureOf(error, waited >= timeouts.receive - timeouts.receive / 10);
    exchange.request.reset();
  }
  return exchange;
}

}  // namespace

HttpClient::HttpClient(HttpTimeouts timeouts) : timeouts_(timeouts) {}

FetchResult HttpClient::fetchUrl(const char* address) {
  FetchResult result;
  if (address == nullptr || *address == '\0') return result;
  if (!session_) {
    session_.reset(InternetOpenW(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session_) return result;
  }

  std::u16string current = gbkToUtf16(address);
  for (int redirects = 0;; ++redirects) {
    const Exchange exchange = sendRequest(session_.get(), current, timeouts_);
    if (!exchange.request) {
      result.failure = exchange.failure;
      return result;
    }
    const HINTERNET request = exchange.request.get();
    const int status = static_cast<int>(queryStatus(request));
    const std::optional<std::string> location =
        isRedirectStatus(status) ? queryHeader(request, HTTP_QUERY_LOCATION) : std::nullopt;
    if (location) {
      const RedirectTarget next = redirectTarget(utf8Of(current), *location);
      if (next.kind == RedirectTarget::Kind::Downgrade) {
        result.failure = FetchFailure::InsecureRedirect;
        return result;
      }
      if (next.kind == RedirectTarget::Kind::Follow) {
        if (redirects == kMaxRedirects) {
          result.failure = FetchFailure::TooManyRedirects;
          return result;
        }
        current = utf16Of(next.address);
        continue;
      }
      // A redirect to nowhere usable is the final response, reported with its status.
    }

    result.status = status;
    const std::optional<std::string> lengthText = queryHeader(request, HTTP_QUERY_CONTENT_LENGTH);
    const std::optional<std::uint64_t> length =
        lengthText ? parseContentLength(*lengthText) : std::nullopt;
    const bool readToEnd = readBody(request, result.body, length ? &*length : nullptr);
    // A reset connection and a short body both end in a clean 0-byte read: only the announced
    // length tells them from a complete body. A length that cannot be read is no promise at all,
    // so such a body never counts as whole.
    result.whole = readToEnd && (!lengthText || (length && result.body.size() == *length));
    return result;
  }
}

}  // namespace dl

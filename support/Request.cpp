#include "support/Request.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "support/Deploy.h"
#include "support/URLUtils.h"
#include "support/AsciiCase.h"

namespace {

const std::string kEmpty;

// Headers longer than the old query buffer (8192 bytes with its
// terminator) could not be read and came back empty.
constexpr std::size_t kHeaderQueryLimit = 8191;

std::string OneLine(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\r' && c != '\n') out.push_back(c);
  return out;
}

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
  return ascii::StartsWithNoCase(text, prefix);
}

struct TTransfer {
  TRequest* request;
  TResponse* response;
  THttpSession* session;
  std::string headers;
  std::string cookie;
  bool haveCookie = false;
  bool tooLarge = false;
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<TTransfer*>(user);
  std::string line(data, size * count);
  // Every status line starts a new answer (redirects, 100 Continue): only
  // the final answer's headers are kept.
  if (line.compare(0, 5, "HTTP/") == 0) {
    t->headers.clear();
    t->cookie.clear();
    t->haveCookie = false;
  }
  if (t->headers.size() < 1u << 20) t->headers += line;
  if (!t->haveCookie && StartsWithNoCase(line, "set-cookie:")) {
    std::string value = line.substr(11);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
    std::size_t start = value.find_first_not_of(" \t");
    t->cookie = start == std::string::npos ? std::string() : value.substr(start);
    t->haveCookie = true;
  }
  return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<TTransfer*>(user);
  std::size_t total = size * count;
  if (t->response->Body.size() + total > t->request->MaxBodySize) {
    t->tooLarge = true;
    return 0;  // ends the transfer as failed
  }
  std::size_t done = 0;
  while (done < total) {
    std::size_t block = std::min(TRequest::kBlockSize, total - done);
    t->response->Body.append(data + done, block);
    done += block;
    if (t->request->OnProgress)
      t->request->OnProgress(t->request, static_cast<uint32_t>(total - done + block), static_cast<uint32_t>(block));
  }
  return total;
}

int OnTransferInfo(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* t = static_cast<TTransfer*>(user);
  if (t->session->Cancelled()) return 1;
  if (t->request->CancelFlag && t->request->CancelFlag->load()) return 1;
  return 0;
}

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

// ---- TResponse -------------------------------------------------------------

const std::string& TResponse::Slot(int index) const {
  return index >= 0 && index < 12 ? slots_[index] : kEmpty;
}

void TResponse::SetSlot(int index, const std::string& text) {
  if (index >= 0 && index < 12) slots_[index] = text;
}

// ---- TRequest ----------------------------------------------------------------

TRequest::TRequest() {
  slots_[rsMethod] = "GET";
  slots_[rsVersion] = "HTTP/1.1";
}

const std::string& TRequest::Slot(int index) const {
  return index >= 0 && index < 12 ? slots_[index] : kEmpty;
}

void TRequest::SetSlot(int index, const std::string& text) {
  if (index >= 0 && index < 12) slots_[index] = text;
}

bool TRequest::SetMethodAndURL(const std::string& method, const std::string& url) {
  TURLComponentStrings parts;
  int port = 0;
  if (!SplitURL(url, parts, &port)) return false;
  slots_[rsMethod] = method;
  Secure = parts.Scheme == "https";
  slots_[rsHost] = parts.HostName;
  slots_[rsPath] = parts.URLPath + parts.ExtraInfo;
  // Unlike the old client, a port written in the address is used: services
  // on other ports would otherwise be unreachable.
  Port = port;
  return true;
}

void TRequest::AddHeader(const std::string& name, const std::string& value) {
  ExtraHeaders += name + ": " + value + "\r\n";
}

int TRequest::Execute(HINTERNET handle) {
  if (!handle || executed_) return -1;
  executed_ = true;
  if (!handle->Enter()) return -1;
  struct Leave {
    THttpSession* s;
    ~Leave() { s->Leave(); }
  } leave{handle};

  std::string host;
  int port = Port;
  {
    int slotPort = 0;
    deploy::SplitHostPort(slots_[rsHost], host, slotPort);
    if (port == 0) port = slotPort;
  }
  if (host.empty()) return -1;
  // Blanks, control bytes and bytes above 127 cannot stand in a request
  // line; they are sent escaped, everything else as the caller wrote it.
  std::string path;
  for (char ch : slots_[rsPath]) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b <= 0x20 || b >= 0x7F) {
      static const char kHex[] = "0123456789ABCDEF";
      path += '%';
      path += kHex[b >> 4];
      path += kHex[b & 0x0F];
    } else {
      path += ch;
    }
  }
  if (path.empty() || path[0] != '/') path.insert(0, "/");
  std::string url = (Secure ? "https://" : "http://") + host;
  if (port != 0) url += ":" + std::to_string(port);
  url += path;

  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  std::unique_ptr<CURLU, CurlDeleter> address(curl_url());
  if (!curl || !address) return -1;
  if (curl_url_set(address.get(), CURLUPART_URL, url.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK)
    return -1;

  TTransfer transfer{this, &response_, handle, {}, {}, false, false};
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_CURLU, address.get());
  curl_easy_setopt(c, CURLOPT_SHARE, handle->Share());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, FollowRedirects ? 1L : 0L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 20L);
  curl_easy_setopt(c, CURLOPT_BUFFERSIZE, static_cast<long>(kBlockSize));
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(handle->ConnectTimeoutMs.load()));
  long stallSeconds = std::max(1L, (static_cast<long>(handle->StallTimeoutMs.load()) + 999) / 1000);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, stallSeconds);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnTransferInfo);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION,
                   slots_[rsVersion] == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);

  const std::string& method = slots_[rsMethod];
  if (method == "HEAD") {
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
  } else if (method == "POST" || !Body.empty()) {
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(Body.size()));
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, Body.data());
    if (method != "POST") curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, method.c_str());
  } else if (method != "GET" && !method.empty()) {
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, method.c_str());
  }

  // Lines added with AddHeader first, then the filled slots in their fixed
  // order. The library's own Accept, Content-Type and Expect lines are
  // removed so that only what the request holds is sent.
  curl_slist* list = nullptr;
  std::size_t start = 0;
  while (start < ExtraHeaders.size()) {
    std::size_t end = ExtraHeaders.find("\r\n", start);
    if (end == std::string::npos) end = ExtraHeaders.size();
    std::string line = OneLine(ExtraHeaders.substr(start, end - start));
    if (!line.empty()) list = curl_slist_append(list, line.c_str());
    start = end + 2;
  }
  const std::pair<int, const char*> ordered[] = {{rsAccept, "Accept"},         {rsCookie, "Cookie"},
                                                 {rsReferer, "Referer"},       {rsUserAgent, "User-Agent"},
                                                 {rsConnection, "Connection"}, {rsContentType, "Content-Type"}};
  for (const auto& [slot, name] : ordered) {
    if (!slots_[slot].empty()) list = curl_slist_append(list, (std::string(name) + ": " + OneLine(slots_[slot])).c_str());
  }
  if (slots_[rsAccept].empty()) list = curl_slist_append(list, "Accept:");
  if (slots_[rsContentType].empty()) list = curl_slist_append(list, "Content-Type:");
  list = curl_slist_append(list, "Expect:");
  std::unique_ptr<curl_slist, CurlDeleter> headerList(list);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, list);

  CURLcode code = curl_easy_perform(c);

  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  response_.StatusCode = static_cast<int>(status);
  // The answer keeps its Set-Cookie value in slot 4.
  response_.SetSlot(4, transfer.cookie.size() <= kHeaderQueryLimit ? transfer.cookie : std::string());
  response_.RawHeaders = transfer.headers.size() <= kHeaderQueryLimit ? transfer.headers : std::string();
  return code == CURLE_OK && !transfer.tooLarge ? 0 : -1;
}

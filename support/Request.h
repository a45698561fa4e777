// A minimal HTTP/1.1 exchange: TRequest holds what to send, TResponse
// collects what came back. Execute blocks the calling thread until the
// whole body has been read, the time-out ends it or the cancel flag is set.
// The status code is not judged: an error page is a normal body.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "support/HttpSession.h"

// The twelve text slots of a request (a response uses slot 4 for the
// Set-Cookie value).
enum TRequestSlot {
  rsHost = 0,
  rsPath = 1,  // object path including the query
  rsMethod = 2,
  rsCookie = 3,
  rsContentType = 4,
  rsContentLength = 5,  // kept for the caller, not sent by the request
  rsAccept = 6,
  rsConnection = 7,
  rsVersion = 8,
  rsReferer = 9,
  rsUserAgent = 10,
  rsUnused = 11,
};

class TResponse {
 public:
  explicit TResponse(int32_t value = 0) : Value(value) {}

  const std::string& Slot(int index) const;
  void SetSlot(int index, const std::string& text);
  void SetRawHeaders(const std::string& text) { RawHeaders = text; }
  // The whole body, bytes unchanged.
  std::string BodyAsText() const { return Body; }

  int32_t Value;
  std::string RawHeaders;  // status line and headers, each ending in CR LF
  std::string Body;
  // Status of the final answer (0 when none arrived); the request does not
  // judge it, callers that care may.
  int StatusCode = 0;

 private:
  std::string slots_[12];
};

class TRequest {
 public:
  // Called after each block read: (sender, bytes available, bytes read).
  using TProgressEvent = std::function<void(TRequest* sender, uint32_t available, uint32_t read)>;

  // Bodies are read in blocks of this size.
  static constexpr std::size_t kBlockSize = 8192;

  TRequest();
  TRequest(const TRequest&) = delete;
  TRequest& operator=(const TRequest&) = delete;

  const std::string& Slot(int index) const;
  void SetSlot(int index, const std::string& text);
  // Splits the address: slot 2 := method, slot 0 := host, slot 1 := path
  // and query, secure for "https", and the port written in the address.
  // False (and nothing changed) when the address cannot be split.
  bool SetMethodAndURL(const std::string& method, const std::string& url);
  void AddHeader(const std::string& name, const std::string& value);
  // 0 when the exchange was done, -1 when it failed (the body then holds
  // what arrived before the failure).
  int Execute(HINTERNET handle);

  TResponse& Response() { return response_; }
  const TResponse& Response() const { return response_; }

  std::string Body;
  int32_t Context = 0;
  std::string ExtraHeaders;
  bool Secure = false;
  bool FollowRedirects = true;
  // 0: the port of the scheme, or one written as "host:port" in slot 0.
  int Port = 0;
  TProgressEvent OnProgress;
  // Set by the owner (from any thread) to end the exchange early.
  std::atomic<bool>* CancelFlag = nullptr;
  // A body longer than this ends the exchange as failed.
  std::size_t MaxBodySize = 128u * 1024u * 1024u;

 private:
  std::string slots_[12];
  TResponse response_;
  bool executed_ = false;
};

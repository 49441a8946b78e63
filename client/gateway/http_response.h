// Reads an HTTP/1.1 response from the bytes as they arrive: status line, headers, and a body
// framed by Content-Length, by chunks, or by the end of the connection.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

class HttpResponseReader {
 public:
  enum class State { kHeaders, kBody, kDone, kBad };

  // Feeds more bytes; returns the state after them.
  State Feed(std::string_view bytes);
  // The connection ended: a body framed by the end of the connection is complete now.
  State FinishAtClose();

  State state() const { return state_; }
  int status() const { return status_; }
  int64_t content_length() const { return content_length_; }  // -1 when not sent
  const std::string& body() const { return body_; }

 private:
  State ParseHeaders();
  State ParseChunks();

  State state_ = State::kHeaders;
  std::string pending_;  // bytes not yet consumed
  std::string body_;
  int status_ = 0;
  int64_t content_length_ = -1;
  bool chunked_ = false;
};

}  // namespace velmora

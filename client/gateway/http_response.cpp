#include "gateway/http_response.h"

#include <cctype>

#include "gateway/text.h"

namespace velmora {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

constexpr int64_t kMaxBody = int64_t(1) << 31;

}  // namespace

HttpResponseReader::State HttpResponseReader::Feed(std::string_view bytes) {
  if (state_ == State::kDone || state_ == State::kBad) return state_;
  pending_.append(bytes);
  if (state_ == State::kHeaders) state_ = ParseHeaders();
  if (state_ != State::kBody) return state_;
  if (chunked_) return state_ = ParseChunks();
  body_.append(pending_);
  pending_.clear();
  if (content_length_ >= 0 && int64_t(body_.size()) >= content_length_) {
    body_.resize(size_t(content_length_));
    state_ = State::kDone;
  }
  return state_;
}

HttpResponseReader::State HttpResponseReader::FinishAtClose() {
  if (state_ == State::kBody && !chunked_ && content_length_ < 0) state_ = State::kDone;
  if (state_ != State::kDone) state_ = State::kBad;
  return state_;
}

HttpResponseReader::State HttpResponseReader::ParseHeaders() {
  const size_t end = pending_.find("\r\n\r\n");
  if (end == std::string::npos) return pending_.size() > 65536 ? State::kBad : State::kHeaders;
  const std::string_view head(pending_.data(), end);
  size_t line_end = head.find("\r\n");
  const std::string_view status_line = head.substr(0, line_end);
  if (status_line.substr(0, 5) != "HTTP/") return State::kBad;
  const size_t space = status_line.find(' ');
  if (space == std::string_view::npos) return State::kBad;
  status_ = int(LeadingNumber(status_line.substr(space + 1)));
  while (line_end != std::string_view::npos) {
    const size_t start = line_end + 2;
    line_end = head.find("\r\n", start);
    const std::string_view line = head.substr(start, line_end == std::string_view::npos ? std::string_view::npos
                                                                                       : line_end - start);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string name = Lower(Trim(line.substr(0, colon)));
    const std::string_view value = Trim(line.substr(colon + 1));
    if (name == "content-length") {
      if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos) return State::kBad;
      content_length_ = LeadingNumber(value);
      if (content_length_ > kMaxBody) return State::kBad;
    } else if (name == "transfer-encoding" && Lower(value).find("chunked") != std::string::npos) {
      chunked_ = true;
    }
  }
  pending_.erase(0, end + 4);
  if (chunked_) content_length_ = -1;
  // A status with no body at all.
  if (status_ == 204 || status_ == 304) return State::kDone;
  return State::kBody;
}

HttpResponseReader::State HttpResponseReader::ParseChunks() {
  for (;;) {
    const size_t line_end = pending_.find("\r\n");
    if (line_end == std::string::npos) return pending_.size() > 1024 ? State::kBad : State::kBody;
    int64_t size = 0;
    size_t i = 0;
    for (; i < line_end; ++i) {
      const char c = pending_[i];
      const int d = std::isxdigit(static_cast<unsigned char>(c))
                        ? (c <= '9' ? c - '0' : (std::tolower(static_cast<unsigned char>(c)) - 'a' + 10))
                        : -1;
      if (d < 0) break;
      size = size * 16 + d;
      if (size > kMaxBody) return State::kBad;
    }
    if (i == 0) return State::kBad;
    if (size == 0) return State::kDone;  // trailers, if any, are not needed
    if (pending_.size() < line_end + 2 + size_t(size) + 2) return State::kBody;
    body_.append(pending_, line_end + 2, size_t(size));
    pending_.erase(0, line_end + 2 + size_t(size) + 2);
  }
}

}  // namespace velmora

#include "mktfn/protocol/messages.hpp"

namespace mktfn::protocol {
namespace {

// Counts values and depth without building them, so that a message is measured before it costs
// memory. Past the limit it reads on for the message's id, to answer the call that sent it.
class Measure : public nlohmann::json_sax<Json> {
 public:
  bool null() override { return value(nullptr); }
  bool boolean(bool) override { return value(nullptr); }
  bool number_integer(number_integer_t number) override { return value(number); }
  bool number_unsigned(number_unsigned_t number) override { return value(number); }
  bool number_float(number_float_t number, const string_t&) override { return value(number); }
  bool string(string_t& text) override { return value(text); }
  bool binary(binary_t&) override { return value(nullptr); }
  bool start_object(std::size_t) override { return open(); }
  bool key(string_t& name) override {
    id_follows_ = depth_ == 1 && name == "id";
    return true;
  }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(); }
  bool end_array() override { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) override {
    syntax_error = error.what();
    return false;
  }

  bool too_deep = false;
  bool too_many = false;
  std::string syntax_error;
  Json id;

 private:
  // Only the id is kept: every other value is counted, never copied.
  template <class Scalar>
  bool value(const Scalar& scalar) {
    if (id_follows_) id = scalar;
    id_follows_ = false;
    if (++values_ > kMaxValues) too_many = true;
    return true;
  }
  bool open() {
    id_follows_ = false;
    if (++depth_ > kMaxNesting) {
      too_deep = true;
      return false;
    }
    ++values_;
    return true;
  }
  bool close() {
    --depth_;
    return true;
  }
  std::size_t values_ = 0;
  std::size_t depth_ = 0;
  bool id_follows_ = false;
};

}  // namespace

Json parse_message(std::string_view text) {
  Measure measure;
  const bool read = Json::sax_parse(text, &measure);
  if (measure.too_deep)
    throw ProtocolError(code::kParseError, "The message nests deeper than " + std::to_string(kMaxNesting) + " levels");
  if (!read) throw ProtocolError(code::kParseError, "The message is no JSON: " + measure.syntax_error);
  if (measure.too_many) {
    throw ProtocolError(code::kInvalidRequest, "The message holds more than " + std::to_string(kMaxValues) + " values",
                        std::move(measure.id));
  }
  try {
    return Json::parse(text);
  } catch (const Json::exception& error) {
    throw ProtocolError(code::kParseError, std::string("The message is no JSON: ") + error.what());
  }
}

std::string dump_message(const Json& message) { return message.dump(-1, ' ', false, Json::error_handler_t::replace); }

Json request(const Json& id, std::string_view method, Json params) {
  return Json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}

Json result_response(const Json& id, Json result) {
  return Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

Json error_response(const Json& id, int code, std::string_view message, Json data) {
  Json error{{"code", code}, {"message", message}};
  if (!data.is_null()) error["data"] = std::move(data);
  return Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", std::move(error)}};
}

kx::Failure failure_of_error(const Json& error) {
  std::int32_t number = kx::error::kHostFailure;
  std::string message = "The other side failed without a reason";
  if (error.is_object()) {
    if (const auto text = error.find("message"); text != error.end() && text->is_string())
      message = text->get<std::string>();
    if (const auto data = error.find("data"); data != error.end() && data->is_object()) {
      if (const auto found = data->find("number"); found != data->end() && found->is_number_integer()) {
        const auto value = found->get<std::int64_t>();
        if (value >= INT32_MIN && value <= INT32_MAX) number = static_cast<std::int32_t>(value);
      }
    }
  }
  return kx::Failure(number, message);
}

const Json& field(const Json& object, std::string_view name) {
  if (!object.is_object()) throw ProtocolError(code::kInvalidParams, "The parameters must be a JSON object");
  const auto found = object.find(name);
  if (found == object.end()) throw ProtocolError(code::kInvalidParams, "Missing member \"" + std::string(name) + "\"");
  return *found;
}

std::string text_field(const Json& object, std::string_view name) {
  const Json& value = field(object, name);
  if (!value.is_string()) throw ProtocolError(code::kInvalidParams, "\"" + std::string(name) + "\" must be a string");
  return value.get<std::string>();
}

std::int64_t integer_field(const Json& object, std::string_view name) {
  const Json& value = field(object, name);
  if (!value.is_number_integer())
    throw ProtocolError(code::kInvalidParams, "\"" + std::string(name) + "\" must be a whole number");
  return value.get<std::int64_t>();
}

}  // namespace mktfn::protocol

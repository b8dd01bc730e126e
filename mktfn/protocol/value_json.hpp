// Cell values on the wire, with their kind intact:
//   empty null · number a JSON number (bit-exact) · text a string · boolean true/false
//   error value {"error": n} · missing argument {"missing": true}
//   array {"array": [[...], ...], "lower": [r, c]} or, one-dimensional, {"array": [...], "lower": [b]}
//   range {"range": {"address": "$A$1:$B$2", "row": 1, "column": 1, "rows": 2, "columns": 2,
//                    "values": [[...], [...]]}}   (sent by value)
//   object {"object": handle}, the host's application {"application": true}, a workbook {"workbook": name}
#pragma once

#include <functional>

#include "common/value.hpp"
#include "mktfn/protocol/messages.hpp"

namespace mktfn::protocol {

// How objects travel: each side turns its objects into markers and markers back into objects.
struct ObjectCodec {
  std::function<Json(const kx::ObjectRef&)> encode;
  // Receives the JSON object holding one of the markers "object", "application" or "workbook".
  std::function<kx::Value(const Json&)> decode;
};

Json to_json(const kx::Value& value, const ObjectCodec& objects);
// Raises ProtocolError (invalid params) for JSON that is no value.
kx::Value from_json(const Json& json, const ObjectCodec& objects);

}  // namespace mktfn::protocol

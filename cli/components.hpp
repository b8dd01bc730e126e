// The components kx starts, as the add-in creates them: riskfn's Main in-process, mktfn's Main
// in-process or through the mktfn server program.
#pragma once

#include <string>
#include <vector>

#include "common/object.hpp"

namespace cli {

// riskfn's Main, then mktfn's Main; with `through_server` the latter lives in a started mktfn
// server, which ends when the object is dropped.
std::vector<kx::ObjectRef> component_objects(bool through_server);

// The mktfn server program: the one beside kx, else the one the build made.
std::string server_program();

}  // namespace cli

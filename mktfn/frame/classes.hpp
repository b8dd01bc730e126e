// The public classes of the marketing component, for tools that list or create them by name.
#pragma once

#include <string_view>
#include <vector>

#include "common/automation/interface.hpp"
#include "common/object.hpp"

namespace mktfn {

// The interfaces of Main and Tools, in that order.
std::vector<const kx::Interface*> class_interfaces();

// A new object of a public class by its name; nullptr for an unknown name.
kx::ObjectRef create_object(std::string_view class_name);

}  // namespace mktfn

#include "cli/components.hpp"

#include <filesystem>

#include "mktfn/client/connection.hpp"
#include "mktfn/frame/classes.hpp"
#include "riskfn/frame/classes.hpp"

namespace cli {

std::string server_program() {
  std::error_code error;
  const auto beside = std::filesystem::read_symlink("/proc/self/exe", error).parent_path() / "mktfn";
  if (!error && std::filesystem::is_regular_file(beside, error)) return beside.string();
  return KX_MKTFN_SERVER;
}

std::vector<kx::ObjectRef> component_objects(bool through_server) {
  kx::ObjectRef marketing = through_server ? mktfn::client::Connection::start(server_program())->create_object("Main")
                                           : mktfn::create_object("Main");
  return {riskfn::create_object("Main"), std::move(marketing)};
}

}  // namespace cli

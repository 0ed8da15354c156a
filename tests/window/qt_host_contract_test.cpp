// The host contract for the Qt host, on the real window's widgets.
#include <memory>

#include "support/host_contract.h"
#include "window_harness.h"

namespace vesperine::testing {
namespace {

struct QtHostUnderTest {
    std::unique_ptr<qt::testing::WindowHarness> harness = std::make_unique<qt::testing::WindowHarness>();
    Host& host() { return harness->host; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, HostContract, ::testing::Types<QtHostUnderTest>);

}  // namespace
}  // namespace vesperine::testing

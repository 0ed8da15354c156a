// The host contract for the fake host that the core's tests run on.
#include "support/host_contract.h"
#include "support/fake_host.h"

namespace vesperine::testing {
namespace {

struct FakeHostUnderTest {
    FakeHost fake;
    Host& host() { return fake; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, HostContract, ::testing::Types<FakeHostUnderTest>);

}  // namespace
}  // namespace vesperine::testing

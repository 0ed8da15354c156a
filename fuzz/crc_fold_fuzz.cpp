// Folded CRCs against the tables for any model the input describes, on every kernel this processor runs.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <vector>

#include "checksum/crc.h"
#include "fuzz_check.h"

using namespace vesperine::checksum;
using vesperine::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t length) {
    FuzzedDataProvider in(data, length);
    CrcModel model;
    model.width = in.ConsumeIntegralInRange<unsigned>(3, 64);
    const std::uint64_t mask = ~std::uint64_t{0} >> (64 - model.width);
    model.poly = in.ConsumeIntegral<std::uint64_t>() & mask;
    model.init = in.ConsumeIntegral<std::uint64_t>() & mask;
    model.xorout = in.ConsumeIntegral<std::uint64_t>() & mask;
    model.refin = in.ConsumeBool();
    model.refout = in.ConsumeBool();
    const auto offset = in.ConsumeIntegralInRange<std::size_t>(0, 63);  // the message's alignment
    const auto copies = in.ConsumeIntegralInRange<std::size_t>(1, 8);   // to lengths past the fold loops
    const auto cut = in.ConsumeIntegral<std::size_t>();
    const std::vector<std::uint8_t> given = in.ConsumeRemainingBytes<std::uint8_t>();
    std::vector<std::uint8_t> bytes(offset);
    for (std::size_t copy = 0; copy < copies; ++copy) {
        for (const std::uint8_t b : given) bytes.push_back(static_cast<std::uint8_t>(b + copy));
    }
    const std::span<const std::uint8_t> message = std::span(bytes).subspan(offset);
    const std::size_t at = message.empty() ? 0 : cut % (message.size() + 1);

    const CrcEngine table(model, CrcKernel::Table);
    const std::uint64_t expected = table.Compute(message);
    for (const CrcKernel kernel : {CrcKernel::Carryless, CrcKernel::WideCarryless}) {
        if (kernel > BestCrcKernel()) continue;
        const CrcEngine folded(model, kernel);
        Check(folded.Compute(message) == expected, "whole message");
        const std::uint64_t first = folded.Update(folded.Start(), message.first(at));
        Check(first == table.Update(table.Start(), message.first(at)), "register of a prefix");
        Check(folded.Finish(folded.Update(first, message.subspan(at))) == expected, "in two pieces");
        std::array<std::uint64_t, 2> regs{folded.Start(), first};
        const std::array<std::span<const std::uint8_t>, 2> parts{message.first(message.size() - at),
                                                                 message.subspan(at)};
        folded.UpdateEach(regs, parts);
        Check(folded.Finish(regs[1]) == expected, "through UpdateEach");
    }
    return 0;
}

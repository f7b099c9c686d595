// A mouse whose every answer comes from the fuzzer: results of writes and reads
// and the bytes it reads back. An update run and the queries must end, within
// the bounded number of status reads, and say "updated" only when every wait
// ended in Done.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/ProfileFile.h"
#include "protocol/StatusReport.h"
#include "testpanel/TestCommands.h"
#include "tests/support/FakeClock.h"
#include "update/FirmwareImage.h"
#include "update/ToolState.h"
#include "update/UpdateRun.h"

namespace {

class Bytes {
  public:
    Bytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }

  private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class FuzzedMouse final : public talun::DeviceAccess {
  public:
    explicit FuzzedMouse(Bytes& bytes) : bytes_(bytes) {}
    void OpenDevMonitor(HidWindow, unsigned, unsigned) override {}
    void CloseDevMonitor() override {}
    int OpenFeatureDevice() override { return bytes_.Next() & 1; }
    void CloseFeatureDevice() override {}
    int SetFeature(uint8_t*, int) override { return bytes_.Next() % 5 != 0; }
    int GetFeature(uint8_t* buffer, int length) override {
        if (bytes_.Next() % 7 == 0) return 0;
        if (buffer[0] == talun::REPORT_STATUS) ++statusReads;
        for (int i = 1; i < length; ++i) buffer[i] = bytes_.Next();
        if (buffer[0] == talun::REPORT_STATUS) lastStatus = buffer[1];
        return 1;
    }
    int statusReads = 0;
    uint8_t lastStatus = 0;

  private:
    Bytes& bytes_;
};

class NoFile final : public talun::ProfileFile {
  public:
    std::string ReadString(const std::string&, const std::string&, const std::string&,
                           const std::string& defaultValue, std::size_t) const override {
        return defaultValue;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    FuzzedMouse mouse(bytes);
    talun::testing::FakeClock clock;
    NoFile file;
    talun::ToolState state;
    talun::UpdateObserver observer;
    talun::CoreContext ctx{state, mouse, clock, file, talun::FirmwareImage::BuiltIn(), observer};

    const talun::UpdateStatus status = talun::RunUpdate(ctx);
    // Seven waits at most, ten reads each; sleeps bounded accordingly.
    if (mouse.statusReads > 70) std::abort();
    if (clock.now > 3500 + 900 + 7 * 16500) std::abort();
    if (status == talun::UpdateStatus::Updated &&
        mouse.lastStatus != static_cast<uint8_t>(talun::AckStatus::Done))
        std::abort();

    talun::TestPanelValues values{bytes.Next() % 5, bytes.Next() % 15};
    for (int command :
         {talun::COMMAND_QUERY_MAIN_SETTING, talun::COMMAND_QUERY_MACRO, talun::COMMAND_CTRL_V}) {
        talun::RunTestPanelCommand(ctx, command, values);
    }
    return 0;
}

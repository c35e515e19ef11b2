// The simulated libdlportio.so: a parallel card printer at the register
// level, with the same soname as the real library, so the program binds it
// when it comes first in the library search (a test's program directory).
//
// scenario.ini, section [dlportio]:
//   base=0x378      the port's base address (other addresses read 0xFF)
//   ready=0         the printer never becomes ready (status 0x58)
//   status=0xDF     the status the printer shows after a strobe ...
//   fail_from=N     ... from the N-th strobe on (default 1 when status is set)
//   answer=TEXT     what the printer answers to "E 1" (default "OK")
//   endless=1       the answer never ends (bit 0x20 stays set)
// Each complete ESC frame is logged as
//   dlportio: frame "<1B>MS<0D>"
// and handed to the virtual card printer.
#include "EscInterpreter.h"
#include "Testbed.h"
#include "dlportio/DlPortIO.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kReady = 0xD8;
constexpr std::uint8_t kBusy = 0x58;
constexpr std::uint8_t kPending = 0x20;
constexpr std::uint8_t kDataBit = 0x08;

class SimPrinter {
public:
    SimPrinter()
        : world_(testbed::World::FromEnvironment()), printer_(world_),
          base_(static_cast<std::uint32_t>(world_.ScenarioInt("dlportio", "base", 0x378))),
          ready_(world_.ScenarioInt("dlportio", "ready", 1) != 0),
          failStatus_(world_.ScenarioInt("dlportio", "status", 0)),
          failFrom_(world_.ScenarioInt("dlportio", "fail_from", failStatus_ ? 1 : 0)),
          answer_(world_.Scenario("dlportio", "answer", "OK")),
          endless_(world_.ScenarioInt("dlportio", "endless", 0) != 0)
    {
        status_ = ready_ ? kReady : kBusy;
    }

    ~SimPrinter()
    {
        if (bitsShown_ > 0) world_.Log("dlportio", "answer bits read " + std::to_string(bitsShown_));
    }

    std::uint8_t Read(std::uint32_t port)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (port == base_) return data_;
        if (port == base_ + 2) return control_;
        if (port != base_ + 1) return Absent(port);
        // The printer raises the pending line a moment after "E 1" (the
        // handshake of that command itself must still read exactly 0xD8),
        // and drops it a moment after the last answer bit was shown.
        if (raisePending_ && Clock::now() >= answerAt_) {
            status_ |= kPending;
            raisePending_ = false;
        }
        if (answerDone_ && Clock::now() - lastBit_ >= std::chrono::milliseconds(1)) {
            status_ &= static_cast<std::uint8_t>(~kPending);
            answerDone_ = false;
        }
        return status_;
    }

    void Write(std::uint32_t port, std::uint8_t value)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (port == base_) {
            data_ = value;
        } else if (port == base_ + 2) {
            const bool strobeReleased = (control_ & 0x01) && !(value & 0x01);
            control_ = value;
            if (strobeReleased) Strobe();
        } else if (port != base_ + 1) {
            Absent(port);
        }
    }

private:
    std::uint8_t Absent(std::uint32_t port)
    {
        world_.Log("dlportio", "no port at " + std::to_string(port));
        return 0xFF;
    }

    void Strobe()
    {
        ++strobes_;
        if (!ready_) return;
        if (failFrom_ > 0 && strobes_ >= failFrom_) {
            if (!failLogged_) world_.Log("dlportio", "status " + std::to_string(failStatus_) + " from strobe " + std::to_string(strobes_));
            failLogged_ = true;
            status_ = static_cast<std::uint8_t>(failStatus_);
            return;
        }
        if (!bits_.empty()) {
            ShowNextBit();
            return;
        }
        status_ = kReady;
        Take(data_);
    }

    void Take(std::uint8_t byte)
    {
        if (byte == 0x1B) {
            inFrame_ = true;
            frame_.clear();
        } else if (inFrame_ && byte == 0x0D) {
            inFrame_ = false;
            const std::string framed = "\x1B" + frame_ + "\r";
            world_.Log("dlportio", "frame \"" + testbed::Printable({reinterpret_cast<const std::uint8_t*>(framed.data()), framed.size()}) + "\"");
            if (frame_ == "E 1") LoadAnswer();
            else testbed::ApplyCommand(printer_, world_, frame_);
        } else if (inFrame_) {
            frame_ += static_cast<char>(byte);
        }
    }

    void LoadAnswer()
    {
        world_.Log("dlportio", "answer \"" + answer_ + "\"" + (endless_ ? " without end" : ""));
        for (const char c : answer_)
            for (int b = 7; b >= 0; --b) bits_.push_back((static_cast<unsigned char>(c) >> b) & 1);
        status_ = kReady;
        raisePending_ = !bits_.empty();
        answerAt_ = Clock::now() + std::chrono::milliseconds(2);
        answerDone_ = false;
    }

    void ShowNextBit()
    {
        ++bitsShown_;
        const int bit = bits_.front();
        bits_.pop_front();
        // The data line is inverted: a clear 0x08 is a 1.
        status_ = static_cast<std::uint8_t>(0xD0 | kPending | (bit ? 0 : kDataBit));
        if (bits_.empty()) {
            if (endless_) {
                for (int b = 7; b >= 0; --b) bits_.push_back(('A' >> b) & 1);
            } else {
                answerDone_ = true;
                lastBit_ = Clock::now();
            }
        }
    }

    std::mutex mutex_;
    testbed::World world_;
    testbed::VirtualPrinter printer_;
    std::uint32_t base_;
    bool ready_;
    int failStatus_;
    int failFrom_;
    std::string answer_;
    bool endless_;
    std::uint8_t data_ = 0, control_ = 0x0C, status_ = kReady;
    int strobes_ = 0;
    int bitsShown_ = 0;
    bool failLogged_ = false;
    bool inFrame_ = false;
    std::string frame_;
    std::deque<int> bits_;
    bool answerDone_ = false;
    bool raisePending_ = false;
    Clock::time_point lastBit_;
    Clock::time_point answerAt_;
};

SimPrinter& Printer()
{
    static SimPrinter printer;
    return printer;
}

} // namespace

DLPORTIO_API std::uint8_t DLPORTIO_CALL DlPortReadPortUchar(std::uint32_t port)
{
    return Printer().Read(port);
}

DLPORTIO_API void DLPORTIO_CALL DlPortWritePortUchar(std::uint32_t port, std::uint8_t value)
{
    Printer().Write(port, value);
}

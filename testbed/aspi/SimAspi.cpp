// The simulated libwnaspi32.so: one SCSI host adapter with a Velto card
// printer and a disk of another vendor on it. The printer answers INQUIRY,
// system information (0xC0), its status page (0xC1), printer data (0xC8),
// REQUEST SENSE and PRINT; it moves the world's virtual card printer, so a
// scenario that empties the hopper or opens the cover is reported here as
// the sense code the printer would give.
//
// scenario.ini, section [aspi] (absent keys: the happy path):
//   ha_inquiry=fail        the host adapter inquiry fails
//   ha_scsi_id=N           HA_SCSI_ID answered (default 7)
//   printer=H:T            the printer's adapter and target (default 0:3), or none
//   other=H:T              the other vendor's disk (default 0:1), or none
//   lowercase=H:T          a device whose vendor is "velto" in lower case
//   product=TEXT           the printer's product identification (default VCP-7000)
//   busy_polls=N           status reads that say busy after each command (default 2)
//   sense=0xCODE           every command ends in an error with this sense code
//   sense_on=LETTERS       ... only commands with one of these letters
//   timeout=KIND,...       these requests stay pending: ha, inquiry, sysinfo,
//                          status, sense, data, print (command blocks), image
//   abort=ignore           aborts fail; pending requests complete late instead
//   late_ms=N              ... that many ms after they were sent (default 3500)
//   write_error=1          command blocks fail (SS_ERR)
//   read_error=KIND,...    reads of these kinds fail: status, sense, data, sysinfo
//   track1=TEXT ...        magnetic tracks on the card before anything is written
// Every request is logged (component "aspi"); every PRINT's bytes are kept
// in scsi/NNNN.bin in the world, and written tracks in scsi.ini.
#include "Export.h"
#include "Testbed.h"
#include "VirtualPrinter.h"
#include "aspi/wnaspi32.h"
#include "platform/Profile.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

using testbed::World;

struct Address {
    int Adapter = -1;
    int Target = -1;
    bool Valid() const { return Adapter >= 0; }
};

Address ParseAddress(const std::string& text, Address def)
{
    if (text.empty()) return def;
    if (text == "none") return {};
    int h = 0, t = 0;
    if (std::sscanf(text.c_str(), "%d:%d", &h, &t) == 2) return {h, t};
    return def;
}

bool ListHas(const std::string& list, const std::string& word)
{
    std::stringstream ss(list);
    std::string item;
    while (std::getline(ss, item, ','))
        if (platform::Trim(item) == word) return true;
    return false;
}

std::string HexByte(unsigned v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%X", v);
    return buf;
}

// Unit codes the printer reports with its sense codes.
std::uint8_t UnitFor(std::uint16_t code)
{
    switch (code) {
    case 0x3A00: return 0x10;  // cards supply unit
    case 0x3600: return 0x11;  // printing unit
    case 0x5300: return 0x10;
    case 0x9088: return 0x01;
    default: return 0x00;
    }
}

std::uint16_t SenseForProblem(const std::string& problem)
{
    if (problem == "hopper empty") return 0x3A00;
    if (problem == "cover open") return 0x9088;
    if (problem == "ribbon ended") return 0x3600;
    return 0x5300;  // card jammed, no card
}

class SimBus {
public:
    SimBus() : world_(World::FromEnvironment()) {}

    ~SimBus()
    {
        for (auto& t : late_) t.join();
    }

    std::uint32_t Send(void* block);

private:
    struct Late {
        std::uint8_t* srb;
        std::uint8_t* data;
        std::vector<std::uint8_t> answer;
    };

    std::string Scn(const char* key, const char* def = "") const { return world_.Scenario("aspi", key, def); }
    void Log(const std::string& text) const { world_.Log("aspi", text); }

    std::uint8_t HaInquiry(SRB_HAInquiry& srb);
    std::uint8_t Exec(SRB_ExecSCSICmd& srb, bool& pending);
    std::uint8_t Abort(SRB_Abort& srb);

    bool Stalls(const char* kind) const { return ListHas(Scn("timeout"), kind); }
    void Stall(SRB_ExecSCSICmd& srb, std::vector<std::uint8_t> answer);

    std::uint8_t Inquiry(const SRB_ExecSCSICmd& srb, std::vector<std::uint8_t>& answer, bool isPrinter, bool lower);
    std::uint8_t Print(SRB_ExecSCSICmd& srb, bool& pending);
    void Command(char letter, const std::string& params);
    std::vector<std::uint8_t> StatusPage();
    std::vector<std::uint8_t> SenseData() const;
    std::vector<std::uint8_t> SysInfo() const;

    void Fail(std::uint16_t code)
    {
        error_ = true;
        sense_ = code;
    }
    void Keep(const std::vector<std::uint8_t>& bytes);
    std::string Track(int n) const;
    void SetTrack(int n, const std::string& text);

    World world_;
    std::mutex lock_;
    std::vector<std::thread> late_;
    std::vector<std::uint8_t*> pending_;  // blocks left pending, for aborts

    // The printer's state between requests.
    int busyLeft_ = 0;
    bool error_ = false;
    std::uint16_t sense_ = 0;
    std::array<std::uint8_t, 255> data_ {};
    int printCount_ = 0;
    int printSeq_ = 0;
    std::string memTracks_[7];
};

std::uint32_t SimBus::Send(void* block)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!block) return SS_INVALID_SRB;
    auto* header = static_cast<SRB_Header*>(block);
    std::uint8_t status = SS_INVALID_CMD;
    bool pending = false;
    switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY: {
        auto& srb = *static_cast<SRB_HAInquiry*>(block);
        if (ListHas(Scn("timeout"), "ha")) {
            pending = true;
            pending_.push_back(static_cast<std::uint8_t*>(block));
            Log("HA_INQUIRY = pending");
            return SS_PENDING;
        }
        status = HaInquiry(srb);
        Log("HA_INQUIRY = " + HexByte(status));
        break;
    }
    case SC_EXEC_SCSI_CMD: status = Exec(*static_cast<SRB_ExecSCSICmd*>(block), pending); break;
    case SC_ABORT_SRB: status = Abort(*static_cast<SRB_Abort*>(block)); break;
    default: break;
    }
    if (pending) return SS_PENDING;
    std::atomic_ref<std::uint8_t>(header->SRB_Status).store(status, std::memory_order_release);
    return status;
}

std::uint8_t SimBus::HaInquiry(SRB_HAInquiry& srb)
{
    srb.HA_Count = 1;
    if (Scn("ha_inquiry") == "fail") return SS_ERR;
    if (srb.SRB_HaId != 0) return SS_INVALID_HA;
    srb.HA_SCSI_ID = static_cast<std::uint8_t>(world_.ScenarioInt("aspi", "ha_scsi_id", 7));
    std::memcpy(srb.HA_ManagerId, "TESTBED ASPI    ", 16);
    std::memcpy(srb.HA_Identifier, "VIRTUAL BUS     ", 16);
    return SS_COMP;
}

std::uint8_t SimBus::Abort(SRB_Abort& srb)
{
    auto it = std::find(pending_.begin(), pending_.end(), static_cast<std::uint8_t*>(srb.SRB_ToAbort));
    if (it == pending_.end()) {
        Log("ABORT = " + HexByte(SS_COMP) + " (nothing pending)");
        return SS_COMP;
    }
    if (Scn("abort") == "ignore") {
        Log("ABORT = " + HexByte(SS_ABORT_FAIL));
        return SS_ABORT_FAIL;
    }
    std::atomic_ref<std::uint8_t>((*it)[1]).store(SS_ABORTED, std::memory_order_release);
    pending_.erase(it);
    Log("ABORT = " + HexByte(SS_COMP));
    return SS_COMP;
}

void SimBus::Stall(SRB_ExecSCSICmd& srb, std::vector<std::uint8_t> answer)
{
    auto* block = reinterpret_cast<std::uint8_t*>(&srb);
    pending_.push_back(block);
    if (Scn("abort") != "ignore") return;
    // The request completes late, into whatever memory the caller gave it.
    const int ms = world_.ScenarioInt("aspi", "late_ms", 3500);
    std::uint8_t* data = srb.SRB_BufPointer;
    const std::size_t len = std::min<std::size_t>(answer.size(), srb.SRB_BufLen);
    late_.emplace_back([this, block, data, len, answer = std::move(answer), ms] {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        std::lock_guard<std::mutex> guard(lock_);
        if (data && len) std::memcpy(data, answer.data(), len);
        std::atomic_ref<std::uint8_t>(block[1]).store(SS_COMP, std::memory_order_release);
        pending_.erase(std::remove(pending_.begin(), pending_.end(), block), pending_.end());
        world_.Log("aspi", "LATE COMPLETION = 1");
    });
}

std::uint8_t SimBus::Exec(SRB_ExecSCSICmd& srb, bool& pending)
{
    const Address printer = ParseAddress(Scn("printer"), {0, 3});
    const Address other = ParseAddress(Scn("other"), {0, 1});
    const Address lower = ParseAddress(Scn("lowercase"), {});
    const std::string where = std::to_string(srb.SRB_HaId) + ":" + std::to_string(srb.SRB_Target);
    auto at = [&](const Address& a) { return a.Valid() && a.Adapter == srb.SRB_HaId && a.Target == srb.SRB_Target && srb.SRB_Lun == 0; };
    const bool isPrinter = at(printer);
    const std::uint8_t op = srb.SRB_CDBLen ? srb.CDBByte[0] : 0xFF;
    const bool dirIn = srb.SRB_Flags & SRB_DIR_IN;

    std::uint8_t status;
    std::vector<std::uint8_t> answer;
    std::string name = "CDB " + testbed::Hex({srb.CDBByte, srb.SRB_CDBLen});
    std::string extra;
    if (op == 0x12) name = "INQUIRY";
    if (srb.SRB_HaId != 0) {
        status = SS_INVALID_HA;
    } else if (!isPrinter && !at(other) && !at(lower)) {
        status = SS_NO_DEVICE;
    } else if (op == 0x12) {
        name = "INQUIRY";
        status = Inquiry(srb, answer, isPrinter, at(lower));
        if (status == SS_COMP && Stalls("inquiry")) {
            Log(name + " " + where + " = pending");
            Stall(srb, answer);
            pending = true;
            return SS_PENDING;
        }
    } else if (!isPrinter) {
        // The disk knows none of the printer's commands.
        status = SS_ERR;
        srb.SRB_TargStat = 0x02;
    } else if (op == 0x0A) {
        return Print(srb, pending);
    } else {
        const char* kind = op == 0xC0 ? "sysinfo" : op == 0xC1 ? "status" : op == 0x03 ? "sense" : op == 0xC8 ? "data" : "";
        name = op == 0xC0 ? "SYSINFO" : op == 0xC1 ? "STATUS" : op == 0x03 ? "SENSE" : op == 0xC8 ? "DATA" : name;
        if (!*kind || !dirIn) {
            status = SS_ERR;
            srb.SRB_TargStat = 0x02;
        } else {
            if (op == 0xC0) answer = SysInfo();
            if (op == 0xC1) {
                answer = StatusPage();
                extra = answer[0] == 0x22 ? " busy" : answer[0] == 0x44 ? " error" : " ready";
            }
            if (op == 0x03) {
                answer = SenseData();
                char buf[8];
                std::snprintf(buf, sizeof buf, " %04X", sense_);
                extra = buf;
            }
            if (op == 0xC8) {
                answer.assign(data_.begin(), data_.end());
                extra = " \"" + std::string(reinterpret_cast<const char*>(data_.data()) + 1) + "\"";
            }
            if (Stalls(kind)) {
                Log(name + " " + where + " = pending");
                Stall(srb, answer);
                pending = true;
                return SS_PENDING;
            }
            status = ListHas(Scn("read_error"), kind) ? SS_ERR : SS_COMP;
            if (status != SS_COMP) extra.clear();
        }
    }
    if (status == SS_COMP && !answer.empty() && srb.SRB_BufPointer)
        std::memcpy(srb.SRB_BufPointer, answer.data(), std::min<std::size_t>(answer.size(), srb.SRB_BufLen));
    Log(name + " " + where + " = " + HexByte(status) + extra);
    return status;
}

std::uint8_t SimBus::Inquiry(const SRB_ExecSCSICmd& srb, std::vector<std::uint8_t>& answer, bool isPrinter, bool lower)
{
    (void)srb;
    answer.assign(36, 0);
    auto put = [&](std::size_t at, std::size_t n, const std::string& text) {
        for (std::size_t i = 0; i < n; ++i) answer[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
    };
    answer[0] = (isPrinter || lower) ? 0x02 : 0x00;  // printer, or direct-access device
    answer[2] = 0x02;
    answer[4] = 31;
    if (isPrinter) {
        put(8, 8, "VELTO");
        put(16, 16, Scn("product", "VCP-7000"));
        put(32, 4, Scn("revision", "1.00"));
    } else if (lower) {
        put(8, 8, "velto");
        put(16, 16, "OLD-PRINTER");
        put(32, 4, "0.90");
    } else {
        put(8, 8, "QUANTUM");
        put(16, 16, "ATLAS10K3_18_SCA");
        put(32, 4, "020W");
    }
    return SS_COMP;
}

std::vector<std::uint8_t> SimBus::SysInfo() const
{
    const std::string text = Scn("sysinfo");
    std::vector<std::uint8_t> page(20, 0);
    if (!text.empty()) {
        std::stringstream ss(text);
        unsigned v;
        for (std::size_t i = 0; i < page.size() && (ss >> std::hex >> v); ++i) page[i] = static_cast<std::uint8_t>(v);
        return page;
    }
    page[0] = 0xC8;  // flip-turn unit, stacker, IC encoder
    page[2] = 0x01;  // YMCKO ribbon
    page[5] = 0x00;
    auto size = [&](std::size_t at, int v) {
        page[at] = static_cast<std::uint8_t>(v >> 8);
        page[at + 1] = static_cast<std::uint8_t>(v);
    };
    size(8, 1016);   // + 34 = 1050 dots
    size(10, 646);   // + 34 = 680
    size(12, 1016);
    size(14, 646);
    size(16, 1016);
    size(18, 646);
    return page;
}

std::vector<std::uint8_t> SimBus::StatusPage()
{
    std::vector<std::uint8_t> page(32, 0);
    if (busyLeft_ > 0) {
        --busyLeft_;
        page[0] = 0x22;
    } else {
        page[0] = error_ ? 0x44 : 0x11;
    }
    const testbed::VirtualPrinter vp(world_);
    switch (vp.Place()) {
    case testbed::CardPlace::EncodingStation: page[1] = 0x04; break;
    case testbed::CardPlace::PrintPosition: page[1] = 0x08; break;
    case testbed::CardPlace::Output: page[1] = 0x40; break;
    case testbed::CardPlace::Reject: page[1] = 0x80; break;
    default: break;
    }
    page[9] = static_cast<std::uint8_t>(printCount_ >> 16);
    page[10] = static_cast<std::uint8_t>(printCount_ >> 8);
    page[11] = static_cast<std::uint8_t>(printCount_);
    page[12] = 80;
    page[13] = 75;
    page[14] = 70;
    return page;
}

std::vector<std::uint8_t> SimBus::SenseData() const
{
    std::vector<std::uint8_t> sense(20, 0);
    sense[0] = 0x70;
    sense[7] = 12;
    if (sense_) {
        sense[2] = sense_ == 0x3A00 || sense_ == 0x9088 ? 0x02 : 0x04;
        sense[12] = static_cast<std::uint8_t>(sense_ >> 8);
        sense[13] = static_cast<std::uint8_t>(sense_);
        sense[14] = UnitFor(sense_);
    }
    return sense;
}

void SimBus::Keep(const std::vector<std::uint8_t>& bytes)
{
    ++printSeq_;
    if (!world_.Exists()) return;
    const std::string dir = world_.Path("scsi");
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    char name[32];
    std::snprintf(name, sizeof name, "/%04d.bin", printSeq_);
    std::ofstream out(dir + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::uint8_t SimBus::Print(SRB_ExecSCSICmd& srb, bool& pending)
{
    const std::string where = std::to_string(srb.SRB_HaId) + ":" + std::to_string(srb.SRB_Target);
    const std::uint32_t announced = (srb.CDBByte[2] << 16) | (srb.CDBByte[3] << 8) | srb.CDBByte[4];
    const std::string cdb = " [cdb " + testbed::Hex({srb.CDBByte, srb.SRB_CDBLen}) + ", buffer " + std::to_string(srb.SRB_BufLen) + "]";
    if (!(srb.SRB_Flags & SRB_DIR_OUT) || !srb.SRB_BufPointer || announced > srb.SRB_BufLen || announced < 2) {
        Log("PRINT " + where + " malformed" + cdb + " = " + HexByte(SS_ERR));
        srb.SRB_TargStat = 0x02;
        return SS_ERR;
    }
    std::vector<std::uint8_t> bytes(srb.SRB_BufPointer, srb.SRB_BufPointer + announced);
    const bool image = bytes[1] == 'D';
    std::string shown = image ? "<1B>D +" + std::to_string(announced - 2) : testbed::Printable(bytes);
    if (Stalls(image ? "image" : "print")) {
        Log("PRINT " + where + " " + shown + cdb + " = pending");
        Stall(srb, {});
        pending = true;
        return SS_PENDING;
    }
    if (!image && Scn("write_error") == "1") {
        Log("PRINT " + where + " " + shown + cdb + " = " + HexByte(SS_ERR));
        srb.SRB_HaStat = HASTAT_DO_DU;
        return SS_ERR;
    }
    Keep(bytes);
    Log("PRINT " + where + " " + shown + cdb + " = " + HexByte(SS_COMP));
    if (!image) {
        // A new command: the printer works on it for a while.
        error_ = false;
        sense_ = 0;
        busyLeft_ = world_.ScenarioInt("aspi", "busy_polls", 2);
        Command(static_cast<char>(bytes[1]), std::string(bytes.begin() + 2, bytes.end()));
    }
    return SS_COMP;
}

std::string SimBus::Track(int n) const
{
    if (n < 1 || n > 6) return {};
    if (world_.Exists()) {
        if (auto v = platform::ReadProfileValue(world_.Path("scsi.ini"), "tracks", "track" + std::to_string(n))) return *v;
        return Scn(("track" + std::to_string(n)).c_str());
    }
    return memTracks_[n];
}

void SimBus::SetTrack(int n, const std::string& text)
{
    if (n < 1 || n > 6) return;
    memTracks_[n] = text;
    if (world_.Exists()) platform::WriteProfileValue(world_.Path("scsi.ini"), "tracks", "track" + std::to_string(n), text);
}

void SimBus::Command(char letter, const std::string& params)
{
    const std::string override = Scn("sense");
    const std::string on = Scn("sense_on");
    if (!override.empty() && (on.empty() || on.find(letter) != std::string::npos)) {
        Fail(static_cast<std::uint16_t>(platform::ParseWholeNumber(override).value_or(0)));
        return;
    }
    testbed::VirtualPrinter vp(world_);
    const auto place = vp.Place();
    const bool held = place == testbed::CardPlace::EncodingStation || place == testbed::CardPlace::PrintPosition;
    auto move = [&](bool ok) {
        if (ok) return;
        std::string problem = vp.Problem();
        if (problem.empty()) problem = vp.CardsLeft() <= 0 && !held ? "hopper empty" : "no card";
        Fail(SenseForProblem(problem));
    };
    switch (letter) {
    case '>':
        // Print start: a card held at the encoding station stays there for
        // its encoder; one at the print position is printed and put out;
        // without a card one is picked from the hopper, printed and put out.
        if (vp.Problem() == "ribbon ended") {
            Fail(0x3600);
        } else if (place == testbed::CardPlace::PrintPosition) {
            move(vp.Eject());
            ++printCount_;
        } else if (place != testbed::CardPlace::EncodingStation) {
            move(vp.Feed());
            if (!error_) move(vp.ToPrint());
            if (!error_) move(vp.Eject());
            if (!error_) ++printCount_;
        }
        break;
    case 'E':
        if (params == "0.") {
            if (!held) move(vp.Feed());
        } else if (params == "1.") {
            if (place == testbed::CardPlace::EncodingStation) move(vp.Return());
        } else if (params == "2.") {
            if (held) move(vp.Reject());
        } else if (params == "3.") {
            if (held) move(vp.Eject());
        } else {
            Fail(0x2600);
        }
        break;
    case 'T': move(vp.Flip()); break;
    case 'A': {
        if (params.size() != 4 || params[1] != ',' || params[3] != '.') {
            Fail(0x2600);
            break;
        }
        const std::uint8_t mask = static_cast<std::uint8_t>(params[2]);
        if (params[0] == '0') {
            data_.fill(0);
        } else if (params[0] == '1') {
            static constexpr std::pair<std::uint8_t, int> kTracks[] = {{0x01, 1}, {0x04, 2}, {0x08, 3}, {0x02, 4}, {0x20, 5}, {0x10, 6}};
            data_.fill(0);
            data_[0] = mask;
            std::string text;
            for (const auto& [bit, track] : kTracks)
                if (mask & bit) text += Track(track);
            std::memcpy(data_.data() + 1, text.data(), std::min<std::size_t>(text.size(), data_.size() - 2));
        } else if (params[0] == '2') {
            if (held) move(vp.Eject());
        } else if (params[0] == '3') {
            if (held) move(vp.Reject());
        } else {
            Fail(0x2600);
        }
        break;
    }
    case 'M': {
        if (params.empty()) break;  // no track chosen: nothing to write
        int selector = -1;
        std::size_t length = 0;
        char dot = 0;
        int used = 0;
        if (std::sscanf(params.c_str(), "%d,%zu%c%n", &selector, &length, &dot, &used) < 3 || dot != '.' ||
            params.size() - static_cast<std::size_t>(used) != length) {
            Fail(0x80B2);
            break;
        }
        const int track = selector == 0 ? 1 : selector;
        if (track < 1 || track > 3) {
            Fail(0x80B3);
            break;
        }
        SetTrack(track, params.substr(static_cast<std::size_t>(used)));
        break;
    }
    case '@': case 'R': case 'O': case 'H': case 'F': case 'I': case 'C': break;
    default: Fail(0x2000); break;
    }
}

SimBus& Bus()
{
    static SimBus bus;
    return bus;
}

} // namespace

// The published interface's C calling convention (ASPI_CALL), not stdcall.
TESTBED_EXPORT std::uint32_t ASPI_CALL SendASPI32Command(void* srb) { return Bus().Send(srb); }

TESTBED_EXPORT std::uint32_t ASPI_CALL GetASPI32SupportInfo(void) { return (SS_COMP << 8) | 1; }

static_assert(std::is_same_v<decltype(&SendASPI32Command), SendASPI32CommandFn>);
static_assert(std::is_same_v<decltype(&GetASPI32SupportInfo), GetASPI32SupportInfoFn>);

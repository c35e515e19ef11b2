// A raw job and what became of it: which queue states refuse a job, how a
// job is followed to the device, and the words for each failure. The
// backends only ask the system (common/Backend.h).
#include "platform/Spooler.h"

#include "Backend.h"
#include "platform/Environment.h"

#include <algorithm>

namespace platform {
namespace {

constexpr std::uint32_t kDefaultSpoolWaitMs = 30000;

// Follow steps start short and grow by a millisecond each, since a job on
// an idle local printer is delivered within some 10 to 30 ms and every
// millisecond the answer comes late is the station's, up to this, so that
// a printer still busy with the previous card is asked about 60 times a
// second.
constexpr std::uint32_t kFirstStepMs = 1;
constexpr std::uint32_t kLongestStepMs = 16;

std::string Quoted(const std::string& printer) { return "Printer \"" + printer + "\""; }

// The system's words as the end of a sentence of ours.
std::string Sentence(std::string words)
{
    while (!words.empty() && (words.back() == '.' || words.back() == ' ')) words.pop_back();
    return words + ".";
}

// The system's words after a cause, when it gave any.
std::string WithDetail(const std::string& text, const std::string& detail)
{
    return detail.empty() ? text : text + " (" + detail + ")";
}

// Why a queue in this state gets no job, or "" when it may have one; no
// full stop, so that the caller can go on.
std::string QueueRefusal(const std::string& printer, const backend::QueueReport& q)
{
    if (q.paused) return WithDetail(Quoted(printer) + " is paused", q.reasons == "paused" ? "" : q.reasons);
    if (!q.accepting) return WithDetail(Quoted(printer) + " is not accepting jobs", q.reasons);
    if (q.offline) return WithDetail(Quoted(printer) + " is offline", q.reasons);
    if (q.error) return WithDetail(Quoted(printer) + " reports an error", q.reasons);
    return {};
}

std::string NotAsked(const std::string& printer, const std::string& error)
{
    return Quoted(printer) + " cannot be asked about its state: " + Sentence(error);
}

std::string JoinDetail(const backend::JobReport& job)
{
    std::string detail = job.state;
    if (!job.reasons.empty()) detail += (detail.empty() ? "" : ": ") + job.reasons;
    if (!job.message.empty()) detail += (detail.empty() ? "" : ", ") + job.message;
    return detail;
}

class JobFollower {
public:
    JobFollower(const std::string& printer, std::string jobId, SpoolOutcome& out)
        : printer_(printer), out_(out)
    {
        out_.jobId = std::move(jobId);
    }

    // Until the job has reached the device, failed, or waitMs have passed.
    void Follow(std::uint32_t waitMs)
    {
        const std::uint64_t start = backend::MonotonicMs();
        std::uint32_t step = kFirstStepMs;
        for (;;) {
            const std::uint64_t now = backend::MonotonicMs();
            out_.ms = static_cast<std::uint32_t>(now - start);
            if (Decided()) return;
            if (now - start >= waitMs) {
                Fail(Quoted(printer_) + " did not take the job within " + std::to_string(waitMs) + " ms.");
                return;
            }
            backend::Wait(static_cast<std::uint32_t>(std::min<std::uint64_t>(step, start + waitMs - now)));
            step = std::min(step + 1, kLongestStepMs);
        }
    }

private:
    // Asks once; true when the outcome is settled.
    bool Decided()
    {
        backend::JobReport job;
        std::string error;
        if (!backend::QueryJob(printer_, out_.jobId, job, &error)) {
            Fail(Quoted(printer_) + " cannot be asked about its job: " + Sentence(error));
            return true;
        }
        if (job.phase != backend::JobPhase::Gone) {
            out_.state = job.state;
            out_.reasons = job.reasons;
        }
        switch (job.phase) {
        case backend::JobPhase::Printing:
            return false;
        case backend::JobPhase::Delivered:
            out_.done = true;
            return true;
        case backend::JobPhase::Failed:
            Fail(DeviceRefused(JoinDetail(job)));
            return true;
        case backend::JobPhase::Held:
            Fail(WithDetail(Quoted(printer_) + " holds the job back", JoinDetail(job)) + ".");
            return true;
        case backend::JobPhase::Waiting:
        case backend::JobPhase::Gone:
            break;
        }
        // Waiting, the queue must still be able to deliver: one that stops
        // meanwhile (an operator, or the system after a failed delivery)
        // keeps the job for later. Gone, the system keeps no record of how
        // the job ended: it counts as delivered when the queue shows no
        // fault.
        const bool waiting = job.phase == backend::JobPhase::Waiting;
        backend::QueueReport q;
        if (!backend::QueryQueue(printer_, q, &error)) {
            Fail(waiting ? NotAsked(printer_, error) : DeviceRefused("it left the queue"));
            return true;
        }
        const std::string refusal = QueueRefusal(printer_, q);
        if (!waiting) {
            if (!refusal.empty()) Fail(DeviceRefused("it left the queue"));
            out_.done = refusal.empty();
            if (out_.done) out_.state = "gone";
            return true;
        }
        if (refusal.empty()) return false;
        if (out_.reasons.empty()) out_.reasons = q.reasons;
        Fail(refusal + ", and the job was not delivered.");
        return true;
    }

    std::string DeviceRefused(const std::string& detail) const
    {
        return WithDetail("The device did not take the job for printer \"" + printer_ + "\"", detail) + ".";
    }

    void Fail(std::string cause)
    {
        out_.done = false;
        out_.cause = std::move(cause);
        out_.cancelled = backend::CancelJob(printer_, out_.jobId);
    }

    const std::string& printer_;
    SpoolOutcome& out_;
};

} // namespace

std::uint32_t SpoolWaitLimitMs()
{
    return static_cast<std::uint32_t>(EnvironmentNumber("TAVRIN_SPOOL_WAIT_MS", kDefaultSpoolWaitMs, kOneDayMs));
}

SpoolOutcome SpoolRawJob(const std::string& printer, const std::string& documentName,
                         std::span<const std::uint8_t> bytes, std::uint32_t waitMs)
{
    SpoolOutcome out;
    const std::string dest = printer.empty() ? DefaultPrinter() : printer;
    if (dest.empty()) {
        out.cause = "There is no default printer.";
        return out;
    }
    std::string error;
    if (waitMs > 0) {
        backend::QueueReport q;
        if (!backend::QueryQueue(dest, q, &error)) {
            out.cause = NotAsked(dest, error);
            return out;
        }
        const std::string refusal = QueueRefusal(dest, q);
        if (!refusal.empty()) {
            out.cause = refusal + ".";
            out.state = "refused";
            out.reasons = q.reasons;
            return out;
        }
    }
    std::string jobId;
    if (!backend::SubmitRawJob(dest, documentName, bytes, jobId, &error)) {
        out.cause = Quoted(dest) + " did not accept the job: " + Sentence(error);
        return out;
    }
    if (waitMs == 0) {
        out.done = true;
        out.jobId = jobId;
        out.state = "accepted";
        return out;
    }
    JobFollower(dest, jobId, out).Follow(waitMs);
    return out;
}

} // namespace platform

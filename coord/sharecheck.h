#pragma once

#include "store/datafolder.h"
#include "store/fileresult.h"
#include "store/textfile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Clock;

// An administrator's check of a shared data folder, run from one
// workstation: whether the folder holds what the board needs and nothing it
// refuses or leaves behind, and whether the share behaves as the board relies
// on (writes and renames, byte-range locks seen by other processes, prompt
// listings, the file server's clock). It changes nothing but its own check
// files, which it removes again, and the guard file, which it makes when
// missing as any board would.
class ShareCheck
{
public:
    enum class Topic { Contents, Writing, Locking, Listing, ClockOffset, Guard, Leftovers, Links };
    struct Finding {
        Topic topic;
        bool ok;
        QString text;   // "ok: ..." or the problem and what to do about it
    };

    // Asks another process whether the lock on `file` is held (the value).
    using Probe = std::function<FileResult<bool>(const QString& file)>;
    // Lists a folder as the board does: the share's client may answer it
    // from a cache.
    using Lister = std::function<TextFile::ListResult(const QString& folder)>;

    // Dates and times are typed into the schedule from each workstation's
    // clock, to the minute; within a minute of the server the workstations
    // agree on them to a minute. Locks and clean-up never compare this clock
    // with a stamp, so no offset endangers a save.
    static constexpr qint64 kClockOffsetLimitMs = 60 * 1000;
    static constexpr int kProbeTimeoutMs = 10000;
    // Names listed in one finding at most.
    static constexpr int kNamesShown = 5;

    ShareCheck(const DataFolder& folder, const Clock& clock);

    // By default the probe is this executable run with "--check-probe".
    void setProbe(Probe probe) { m_probe = std::move(probe); }
    void setLister(Lister lister) { m_lister = std::move(lister); }

    QList<Finding> run() const;

    static bool allOk(const QList<Finding>& findings);
    // The findings, one to a paragraph, under a line naming the folder and
    // over one with the overall result.
    static QString reportText(const QString& folder, const QList<Finding>& findings);

    // Runs `program` with `arguments` and the file added, and reads its answer
    // from its output: "held" or "free"; anything else, or no answer within
    // kProbeTimeoutMs, fails.
    static Probe programProbe(const QString& program, const QStringList& arguments);
    // What a probe process prints: "held", "free" or "error: <reason>".
    static QString probeAnswer(const QString& file);

    // The check's own files: "~sbcheck" + six letters or digits + ".tmp",
    // and the write helper's temporaries of them.
    static bool isCheckFileName(const QString& name);
    static QString newCheckFileName();

private:
    struct Folder {
        QString name;   // as shown: "gsystem", or "the data folder"
        QString path;
        bool usable = false;
    };
    QList<Folder> folders() const;

    QList<Finding> checkContents() const;
    QList<Finding> checkWriting() const;
    Finding checkLocking() const;
    Finding checkListing() const;
    Finding checkClockOffset() const;
    Finding checkGuard() const;
    QList<Finding> checkLeftovers() const;
    Finding checkLinks() const;

    // The file server's time now, read as the stamp of a file written now.
    FileResult<qint64> serverNowNs() const;
    QString shown(const QString& path) const;

    DataFolder m_folder;
    const Clock& m_clock;
    Probe m_probe;
    Lister m_lister;
};

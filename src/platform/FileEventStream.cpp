#include "platform/FileEventStream.h"

#include "core/MeterixLog.h"
#include "core/PathContainment.h"

#include <QFile>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace meterix {

namespace {

constexpr uint32_t kWatchMask = IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR |
                                IN_EXCL_UNLINK;

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QStringList normalisedRoots(const QStringList& roots) {
    QStringList out;
    for (const QString& root : roots) {
        const QString clean = withoutTrailingSlash(root);
        if (!clean.isEmpty() && !out.contains(clean)) out.append(clean);
    }
    return out;
}

class DirectoryHandle {
  public:
    // A root may itself be a symbolic link to its folder; anything below is
    // opened without following links.
    DirectoryHandle(const QString& path, bool followLink) {
        const QByteArray native = QFile::encodeName(path);
        int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
        if (!followLink) flags |= O_NOFOLLOW;
        int fd;
        do {
            fd = ::open(native.constData(), flags);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return;
        dir_ = ::fdopendir(fd);
        if (!dir_) ::close(fd);
    }
    ~DirectoryHandle() {
        if (dir_) ::closedir(dir_);
    }
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;

    DIR* get() const { return dir_; }

  private:
    DIR* dir_ = nullptr;
};

} // namespace

FileEventStream::FileEventStream(DispatchQueue& queue, QStringList rootFolders, Callback callback,
                                 Options options)
    : queue_(queue), roots_(normalisedRoots(rootFolders)), callback_(std::move(callback)),
      options_(std::move(options)) {}

FileEventStream::FileEventStream(DispatchQueue& queue, QStringList rootFolders, Callback callback)
    : FileEventStream(queue, std::move(rootFolders), std::move(callback), Options()) {}

FileEventStream::~FileEventStream() {
    stop();
}

bool FileEventStream::start() {
    bool started = false;
    queue_.sync([&] { startOnQueue(started); });
    return started;
}

void FileEventStream::stop() {
    // A stopped queue has already destroyed the notifier and the timer.
    if (!queue_.sync([this] { stopOnQueue(); })) closeDescriptor();
}

void FileEventStream::startOnQueue(bool& started) {
    if (fd_ >= 0) {
        started = true;
        return;
    }
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    limitReached_ = false;

    auto* timer = new QTimer(queue_.context());
    timer->setSingleShot(true);
    timer->setInterval(options_.latency);
    QObject::connect(timer, &QTimer::timeout, timer, [this] { onLatencyElapsed(); });
    latencyTimer_ = timer;

    for (const QString& root : roots_)
        watchTree(root, -1, {}, nullptr);
    folders_.squeeze();

    auto* notifier = new QSocketNotifier(fd_, QSocketNotifier::Read, queue_.context());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] { onReadable(); });
    notifier_ = notifier;
    started = true;
}

void FileEventStream::stopOnQueue() {
    delete notifier_.data();
    delete latencyTimer_.data();
    closeDescriptor();
}

void FileEventStream::closeDescriptor() {
    if (fd_ >= 0) ::close(fd_); // closing drops every watch at once
    fd_ = -1;
    folders_.clear();
    extraLinks_.clear();
}

QStringList FileEventStream::pathsOf(int wd) const {
    QStringList paths;
    const auto linkPaths = [&](const Link& link) {
        if (link.parent < 0) {
            paths.append(QFile::decodeName(link.name));
            return;
        }
        const QString name = QFile::decodeName(link.name);
        for (const QString& parent : pathsOf(link.parent))
            paths.append(parent + QLatin1Char('/') + name);
    };
    const auto found = folders_.constFind(wd);
    if (found == folders_.constEnd()) return paths;
    linkPaths(found.value());
    for (auto it = extraLinks_.constFind(wd); it != extraLinks_.constEnd() && it.key() == wd; ++it)
        linkPaths(it.value());
    return paths;
}

int FileEventStream::addWatch(const QString& folder, int parent, const QByteArray& name) {
    const auto noteLimit = [this] {
        if (!limitReached_)
            qCWarning(logWatcher, "inotify watch limit reached; further folders are not watched "
                                  "(fs.inotify.max_user_watches)");
        limitReached_ = true;
        return -1;
    };
    if (folders_.size() >= options_.watchBudget) return noteLimit();
    const bool isRoot = parent < 0;
    const QByteArray native = QFile::encodeName(folder);
    const int wd = ::inotify_add_watch(fd_, native.constData(), kWatchMask | (isRoot ? 0 : IN_DONT_FOLLOW));
    if (wd < 0) {
        if (errno == ENOSPC) return noteLimit();
        return -1;
    }
    const Link link{parent, isRoot ? native : name};
    const auto existing = folders_.constFind(wd);
    if (existing == folders_.constEnd()) {
        folders_.insert(wd, link);
        return wd;
    }
    if (pathsOf(wd).contains(folder)) return -1; // already covered, subtree included
    extraLinks_.insert(wd, link);
    return wd;
}

void FileEventStream::watchTree(const QString& folder, int parent, const QByteArray& name,
                                QStringList* entries) {
    // A folder waiting to be watched is kept as its parent's path (shared by
    // all its siblings) and its own name; its path is built only when it is
    // reached. Building every child's path while listing its parent would
    // leave one freed path string between each pair of kept names: thousands
    // of small holes the heap can neither reuse nor hand back.
    struct Pending {
        QString parentPath; // null for the folder the walk starts from
        int parent;
        QByteArray name;
    };
    QSet<QPair<quint64, quint64>> visited; // device and inode: bind mounts must not loop either
    QList<Pending> stack{{QString(), parent, parent < 0 ? QByteArray() : name}};
    while (!stack.isEmpty()) {
        const Pending next = stack.takeLast();
        const bool root = next.parent < 0;
        const QString path = next.parentPath.isNull()
                                 ? folder
                                 : next.parentPath + QLatin1Char('/') + QFile::decodeName(next.name);
        const DirectoryHandle dir(path, root);
        if (!dir.get()) continue;
        struct stat st {};
        if (::fstat(::dirfd(dir.get()), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        if (visited.contains({st.st_dev, st.st_ino})) continue;
        visited.insert({st.st_dev, st.st_ino});
        if (!root && options_.skipFolder && options_.skipFolder(path)) continue;
        const int wd = addWatch(path, next.parent, next.name);
        if (wd < 0) {
            if (limitReached_) return;
            continue;
        }
        while (const dirent* entry = ::readdir(dir.get())) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
            if (entries && entries->size() < options_.maxReportedEntriesPerNewFolder)
                entries->append(path + QLatin1Char('/') + QFile::decodeName(name));
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat cs {};
                if (::fstatat(::dirfd(dir.get()), name, &cs, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(cs.st_mode))
                    type = DT_DIR;
            }
            if (type == DT_DIR) stack.append({path, wd, QByteArray(name)});
        }
    }
}

void FileEventStream::forgetTree(const QString& folder) {
    // Decide for every link first: removing a parent's link changes the
    // paths its children are reached by.
    QList<int> gone;
    for (auto it = folders_.constBegin(); it != folders_.constEnd(); ++it) {
        QStringList kept = pathsOf(it.key());
        kept.removeIf([&](const QString& path) { return isSameOrInsideFolder(path, folder); });
        if (kept.isEmpty()) gone.append(it.key());
    }
    for (int wd : gone) {
        ::inotify_rm_watch(fd_, wd);
        folders_.remove(wd);
        extraLinks_.remove(wd);
    }
}

QStringList FileEventStream::readEvents() {
    QStringList batch;
    QSet<QString> seen;
    const auto add = [&](const QString& path) {
        if (!seen.contains(path)) {
            seen.insert(path);
            batch.append(path);
        }
    };

    alignas(inotify_event) char buffer[16 * 1024];
    while (fd_ >= 0) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (const char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            p += sizeof(inotify_event) + event->len;

            // An overflow loses events no path can be given for.
            if (event->mask & IN_Q_OVERFLOW) continue;
            if (!folders_.contains(event->wd)) continue;
            if (event->mask & IN_IGNORED) {
                folders_.remove(event->wd);
                extraLinks_.remove(event->wd);
                continue;
            }
            const QStringList folders = pathsOf(event->wd); // the handlers below change folders_
            if (event->mask & IN_MOVE_SELF) {
                // A root renamed away is no longer where we were asked to watch.
                for (const QString& folder : folders)
                    if (roots_.contains(folder)) forgetTree(folder);
                continue;
            }
            if (event->mask & IN_DELETE_SELF) continue; // its parent reports it; IN_IGNORED follows

            const QString name = event->len ? QFile::decodeName(event->name) : QString();
            for (const QString& folder : folders) {
                const QString path = name.isEmpty() ? folder : folder + QLatin1Char('/') + name;
                add(path);
                if (!(event->mask & IN_ISDIR)) continue;
                if (event->mask & IN_MOVED_FROM) forgetTree(path);
                if (event->mask & (IN_CREATE | IN_MOVED_TO)) {
                    // Files may have landed before the watch existed: report them.
                    QStringList inside;
                    watchTree(path, event->wd, QByteArray(event->name), &inside);
                    for (const QString& entry : inside)
                        add(entry);
                }
            }
        }
    }
    return batch;
}

void FileEventStream::onReadable() {
    if (!latencyTimer_ || !notifier_) return;
    const QStringList paths = readEvents();
    if (paths.isEmpty()) return;
    // First news after a quiet spell goes out at once. For the latency that
    // follows the descriptor is left alone: the kernel merges repeated events
    // of a file meanwhile, and a burst of writes costs one read, not one each.
    notifier_->setEnabled(false);
    latencyTimer_->start();
    callback_(paths);
}

void FileEventStream::onLatencyElapsed() {
    if (!latencyTimer_ || !notifier_) return;
    const QStringList paths = readEvents();
    if (paths.isEmpty()) {
        notifier_->setEnabled(true); // quiet: the next event is news again
        return;
    }
    latencyTimer_->start();
    callback_(paths);
}

} // namespace meterix

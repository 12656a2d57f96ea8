// The file list: a folder's normal files whose names match a pattern.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/ui_internal.h"

#include <QGuiApplication>
#include <QListWidget>

#include <algorithm>
#include <string>

namespace kv {
namespace {

// "*" any run of characters, "?" any one; every other character stands for
// itself whatever its case. Compared by code point, so "?" never takes half
// of a character.
bool Matches(const std::u32string& name, const std::u32string& pattern)
{
    std::size_t n = 0, p = 0;
    std::size_t star = std::u32string::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            star = p++;
            resume = n;
        } else if (star != std::u32string::npos) {
            // Let the last "*" take one more character and try again.
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

bool MatchesPattern(const QString& name, const QString& pattern)
{
    const std::u32string n = name.toCaseFolded().toStdU32String();
    const std::u32string p = pattern.toCaseFolded().toStdU32String();
    if (Matches(n, p)) return true;
    // As in the classic search, "name.*" also finds "name" without an
    // extension, and "*.*" every file.
    return p.size() >= 2 && p.ends_with(U".*") && Matches(n, p.substr(0, p.size() - 2));
}

QListWidget* List(QWidget* w) { return static_cast<QListWidget*>(w); }

} // namespace

std::vector<ListedName> SortedForList(const std::vector<std::string>& names)
{
    std::vector<ListedName> out;
    out.reserve(names.size());
    for (const std::string& n : names) out.push_back({TextFromBytes(n), n});
    // Names equal but for case keep one order whatever order the disk gave.
    std::sort(out.begin(), out.end(), [](const ListedName& a, const ListedName& b) {
        const int folded = a.text.compare(b.text, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.bytes < b.bytes;
    });
    return out;
}

FileListBox::FileListBox(Container& parent) : Windowed(parent)
{
    auto* list = new QListWidget(parent.Host());
    list->setUniformItemSizes(true);
    list->setSortingEnabled(false);
    Attach(list);
    // A mouse click raises the click on its release; moving the selection
    // with the keys raises it at once.
    QObject::connect(list, &QListWidget::itemClicked, list, [this](QListWidgetItem*) {
        if (onClick_) onClick_();
    });
    QObject::connect(list, &QListWidget::currentRowChanged, list, [this](int row) {
        if (!filling_ && row >= 0 && QGuiApplication::mouseButtons() == Qt::NoButton && onClick_) onClick_();
    });
    const std::string here = ProgramPath(WorkingFolder());
    try {
        Path(here);
    } catch (const RuntimeError&) {
        path_ = here;
    }
}

void FileListBox::Path(const std::string& programPath)
{
    if (!IsFolder(programPath)) throw RuntimeError(ErrPathNotFound, "no folder " + programPath);
    path_ = programPath;
    Fill();
}

void FileListBox::Pattern(const std::string& pattern)
{
    pattern_ = pattern;
    Fill();
}

void FileListBox::Fill()
{
    QListWidget* list = List(w_);
    filling_ = true;
    list->clear();
    // No dot-files, no devices, pipes, sockets or dangling links. A link to a
    // file lists as that file. A folder that cannot be read lists nothing.
    std::vector<std::string> names;
    try {
        names = ListFolder(path_, FolderEntries::Files);
    } catch (const RuntimeError&) {
    }
    const QString pattern = TextFromBytes(pattern_);
    for (const ListedName& name : SortedForList(names))
        if (MatchesPattern(name.text, pattern)) list->addItem(name.text);
    list->setCurrentRow(-1);
    filling_ = false;
}

std::string FileListBox::FileName() const
{
    const QListWidgetItem* item = List(w_)->currentItem();
    return item && item->isSelected() ? BytesFromText(item->text()) : std::string();
}

std::vector<std::string> FileListBox::Entries() const
{
    std::vector<std::string> out;
    for (int i = 0; i < List(w_)->count(); ++i) out.push_back(BytesFromText(List(w_)->item(i)->text()));
    return out;
}

void FileListBox::ClickEntry(int row)
{
    if (row < 0 || row >= List(w_)->count()) return;
    filling_ = true;
    List(w_)->setCurrentRow(row);
    filling_ = false;
    if (onClick_) onClick_();
}

void FileListBox::OnClick(std::function<void()> handler) { onClick_ = std::move(handler); }

} // namespace kv

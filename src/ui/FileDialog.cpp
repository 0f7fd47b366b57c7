#include "ui/FileDialog.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/MessageBox.h"
#include "ui/Static.h"
#include "ui/UiLoop.h"

ORV_IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

namespace {

constexpr int kClientWidth = 220;
constexpr int kClientHeight = 178;

std::vector<std::pair<std::string, std::string>> ParseFilter(std::string_view filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= filter.size()) {
        const std::size_t bar = filter.find('|', start);
        const std::string_view part = filter.substr(
            start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
        parts.emplace_back(part);
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    std::vector<std::pair<std::string, std::string>> out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;  // the "||" that ends the list
        out.emplace_back(parts[i], parts[i + 1]);
    }
    if (out.empty()) out.emplace_back("All Files (*.*)", "*.*");
    return out;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// "*.*", "*", "*.ext" and exact names, compared without regard to case.
bool MatchPattern(std::string_view pattern, const std::string& name) {
    if (pattern == "*" || pattern == "*.*") return true;
    auto equalNoCase = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](char x, char y) { return Lower(x) == Lower(y); });
    };
    if (pattern.size() >= 2 && pattern[0] == '*') {
        const std::string_view tail = pattern.substr(1);
        return name.size() >= tail.size() &&
               equalNoCase(std::string_view(name).substr(name.size() - tail.size()), tail);
    }
    return equalNoCase(pattern, name);
}

}  // namespace

CFileDialog::CFileDialog(std::string_view defExt, std::string_view fileName,
                         std::string_view filter, std::string_view folder)
    : m_strDefExt(defExt),
      m_strInitialName(fileName),
      m_strFolder(folder),
      m_filters(ParseFilter(filter)) {
    if (!m_strDefExt.empty() && m_strDefExt[0] == '.') m_strDefExt.erase(0, 1);
    if (m_strFolder.empty()) m_strFolder = ".";
    SetWindowText("Save As");
    const CFont& font = GetDialogFont();
    auto add = [&](std::unique_ptr<CControl> c, unsigned id, std::string_view text, CRect r,
                   unsigned style = 0) {
        c->SetWindowText(text);
        c->SetStyle(style);
        Controls().Add(std::move(c), id, r, font);
    };
    add(std::make_unique<CStatic>(), 0, "Name:", CRect(6, 8, 44, 22));
    add(std::make_unique<CComboBox>(), kNameId, m_strInitialName, CRect(46, 5, 214, 23));
    add(std::make_unique<CStatic>(), 0, "Type:", CRect(6, 31, 44, 45));
    // Tapping the type steps through the filter's types.
    add(std::make_unique<CButton>(), kTypeId, m_filters[0].first, CRect(46, 28, 214, 46));
    add(std::make_unique<CListBox>(), kListId, "", CRect(6, 52, 214, 142),
        kItemBorder | kItemVScroll | kItemNotify);
    add(std::make_unique<CButton>(), IDOK, "OK", CRect(46, 150, 106, 172));
    add(std::make_unique<CButton>(), IDCANCEL, "Cancel", CRect(114, 150, 174, 172));
    SetClientSize(kClientWidth, kClientHeight);
}

std::string CFileDialog::GetPathName() const {
    if (m_strFileName.empty()) return std::string();
    return (std::filesystem::path(m_strFolder) / m_strFileName).string();
}

bool CFileDialog::MatchesFilter(const std::string& name) const {
    const std::string& patterns = m_filters[static_cast<std::size_t>(m_nFilter)].second;
    std::size_t start = 0;
    while (start <= patterns.size()) {
        const std::size_t semi = patterns.find(';', start);
        const std::string_view one = std::string_view(patterns).substr(
            start, semi == std::string::npos ? std::string::npos : semi - start);
        if (!one.empty() && MatchPattern(one, name)) return true;
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    return false;
}

namespace {

std::string_view TrimBlanks(std::string_view typed) {
    while (!typed.empty() && typed.front() == ' ') typed.remove_prefix(1);
    while (!typed.empty() && typed.back() == ' ') typed.remove_suffix(1);
    return typed;
}

}  // namespace

bool CFileDialog::IsPlainFileName(std::string_view typed) {
    typed = TrimBlanks(typed);
    if (typed.empty() || typed == "." || typed == "..") return false;
    for (char c : typed) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

std::string CFileDialog::AcceptName(std::string_view typed) const {
    if (!IsPlainFileName(typed)) return std::string();
    std::string name(TrimBlanks(typed));
    if (name.find('.') == std::string::npos && !m_strDefExt.empty()) {
        name += '.';
        name += m_strDefExt;
    }
    return name;
}

void CFileDialog::FillList() {
    auto* list = dynamic_cast<CListBox*>(GetDlgItem(kListId));
    auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(kNameId));
    if (list != nullptr) list->ResetContent();
    if (combo != nullptr) combo->ResetContent();
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(m_strFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name = it->path().filename().string();
        if (MatchesFilter(name)) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        if (list != nullptr) list->AddString(n);
        if (combo != nullptr) combo->AddString(n);
    }
}

void CFileDialog::OnInitDialog() {
    m_strFileName.clear();
    SetControlText(kNameId, m_strInitialName);
    FillList();
    if (auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(kNameId))) {
        combo->SetSel(0, -1);
        Controls().SetFocus(combo);
    }
}

std::string CFileDialog::ConfirmedName() {
    const CControl* edit = GetDlgItem(kNameId);
    const std::string name = AcceptName(edit != nullptr ? edit->GetWindowText() : std::string());
    if (name.empty() || !m_bOverwritePrompt) return name;
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::path(m_strFolder) / name;
    // A folder of that name is not replaced; opening it fails and says so.
    if (!std::filesystem::exists(path, ec) || std::filesystem::is_directory(path, ec)) return name;
    if (CMessageBox::Ask(GetWindowText(), name + " already exists. Replace it?") != IDYES) {
        return std::string();
    }
    return name;
}

void CFileDialog::OnOK() {
    const CControl* edit = GetDlgItem(kNameId);
    if (AcceptName(edit != nullptr ? edit->GetWindowText() : std::string()).empty()) {
        if (CUiLoop* loop = CUiLoop::Get()) loop->MessageBeep();
        return;
    }
    const std::string name = ConfirmedName();
    if (name.empty()) return;  // not to be replaced: another name, or Cancel
    m_strFileName = name;
    EndDialog(IDOK);
}

ModalRequest CFileDialog::GetHostRequest() const {
    ModalRequest req;
    req.kind = ModalRequest::Kind::SaveFile;
    req.caption = GetWindowText();
    req.proposedName = m_strInitialName;
    return req;
}

void CFileDialog::ApplyHostAnswer(const ModalAnswer& answer) {
    if (answer.nResult != IDOK) {
        EndDialog(IDCANCEL);
        return;
    }
    if (answer.bHasName) SetControlText(kNameId, answer.name);
    const std::string name = ConfirmedName();
    if (name.empty()) {
        EndDialog(IDCANCEL);
        return;
    }
    m_strFileName = name;
    EndDialog(IDOK);
}

void CFileDialog::OnControlNotify(unsigned nId, unsigned nCode) {
    if (nId == kListId && nCode == LBN_SELCHANGE) {
        auto* list = dynamic_cast<CListBox*>(GetDlgItem(kListId));
        std::string text;
        if (list != nullptr && list->GetText(list->GetCurSel(), text) >= 0) {
            SetControlText(kNameId, text);
            if (auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(kNameId))) combo->SetSel(0, -1);
        }
        Invalidate(false);
        return;
    }
    if (nId == kTypeId && nCode == BN_CLICKED) {
        m_nFilter = (m_nFilter + 1) % static_cast<int>(m_filters.size());
        if (CControl* type = GetDlgItem(kTypeId)) {
            type->SetWindowText(m_filters[static_cast<std::size_t>(m_nFilter)].first);
        }
        FillList();
        Invalidate(false);
        return;
    }
    CDialog::OnControlNotify(nId, nCode);
}

#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/Dialog.h"

// The save-file dialog. Files live in one folder (the data folder): the
// person edits the file name (offered selected, so typing replaces it), may
// pick an existing file from the list or from the name field's drop-down
// (both show the files matching the chosen type), and confirms or cancels. A
// name without an extension gets the default extension. A name that is
// empty, a folder reference ("." or ".."), or holds a path separator or a
// control character is refused: the dialog stays open (a scripted answer
// with such a name counts as a cancel).
//
// With the overwrite prompt on, a name that exists already is confirmed
// only after "NAME already exists. Replace it?" is answered Yes; No keeps
// the dialog open for another name (a scripted answer then cancels).
class CFileDialog : public CDialog {
    ORV_DECLARE_DYNAMIC(CFileDialog)
public:
    static constexpr unsigned kNameId = 1152;
    static constexpr unsigned kTypeId = 1136;
    static constexpr unsigned kListId = 1120;

    // defExt with or without its dot (".ov", "JPG"); filter as pairs of
    // description and patterns: "Log Files (*.ov)|*.ov|All Files (*.*)|*.*||".
    CFileDialog(std::string_view defExt, std::string_view fileName, std::string_view filter,
                std::string_view folder);

    // After IDOK: the full path and the file name alone.
    std::string GetPathName() const;
    const std::string& GetFileName() const { return m_strFileName; }
    const std::string& GetFolder() const { return m_strFolder; }

    // The filter's (description, patterns) pairs.
    const std::vector<std::pair<std::string, std::string>>& GetFilters() const { return m_filters; }
    int GetFilterIndex() const { return m_nFilter; }
    // Whether `name` matches the patterns of the chosen filter.
    bool MatchesFilter(const std::string& name) const;

    // The name as it would be saved (extension added), or "" when refused.
    std::string AcceptName(std::string_view typed) const;
    // Whether the dialog takes `typed` as a file name (blanks around it
    // aside): no path, no folder reference, no control character.
    static bool IsPlainFileName(std::string_view typed);

    // Ask before an existing file is chosen (off by default).
    void SetOverwritePrompt(bool bPrompt) { m_bOverwritePrompt = bPrompt; }

    void OnInitDialog() override;
    void OnOK() override;
    ModalRequest GetHostRequest() const override;
    void ApplyHostAnswer(const ModalAnswer& answer) override;
    void OnControlNotify(unsigned nId, unsigned nCode) override;

private:
    void FillList();
    // The name typed into the field, accepted and, when it exists, confirmed:
    // the name, or "" when refused or not confirmed.
    std::string ConfirmedName();

    std::string m_strDefExt;
    std::string m_strInitialName;
    std::string m_strFolder;
    std::string m_strFileName;
    std::vector<std::pair<std::string, std::string>> m_filters;
    int m_nFilter = 0;
    bool m_bOverwritePrompt = false;
};

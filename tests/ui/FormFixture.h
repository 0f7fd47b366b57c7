#pragma once

#include <vector>

#include "ui/FormView.h"

// Ids of a small test form: the kinds of control the instrument's forms use.
enum : unsigned {
    kIdEntry = 1008,
    kIdAdd = 1000,
    kIdList = 1009,
    kIdPlainList = 1010,
    kIdCheck = 1011,
    kIdLabel = 1020,
    kIdDisabled = 1021,
};

inline DialogTemplate MakeTestTemplate() {
    DialogTemplate t;
    t.nId = 123;
    t.cx = 157;
    t.cy = 158;
    t.items = {
        {kIdEntry, DialogItemKind::ComboBoxEdit, "", 7, 7, 107, 14, 0},
        {kIdAdd, DialogItemKind::PushButton, "ADD", 125, 7, 25, 14, 0},
        {kIdList, DialogItemKind::ListBox, "", 7, 32, 107, 40,
         kItemNotify | kItemVScroll | kItemBorder},
        {kIdPlainList, DialogItemKind::ListBox, "", 7, 82, 107, 37, kItemBorder},
        {kIdCheck, DialogItemKind::AutoCheckBox, "Enable Security", 7, 121, 65, 10, 0},
        {kIdLabel, DialogItemKind::Static, "label", 7, 137, 50, 8, 0},
        {kIdDisabled, DialogItemKind::PushButton, "OFF", 100, 137, 50, 14, kItemDisabled},
    };
    return t;
}

// A form recording the commands and notifications it receives.
class CTestForm : public CFormView {
public:
    CTestForm() : CFormView(MakeTestTemplate()) {
        AddCommand(kIdAdd, [this] { commands.push_back(kIdAdd); });
        AddCommand(kIdCheck, [this] { commands.push_back(kIdCheck); });
    }
    void OnControlNotify(unsigned nId, unsigned nCode) override {
        notifications.push_back({nId, nCode});
        CFormView::OnControlNotify(nId, nCode);
    }
    struct Note {
        unsigned id;
        unsigned code;
    };
    std::vector<unsigned> commands;
    std::vector<Note> notifications;
};

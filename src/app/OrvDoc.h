#pragma once

// The one document every screen is a view on. It holds nothing: all
// measurement data lives in the survey data store, so a new document needs no
// initialisation and saving or loading one moves no data.
class COrvDoc {
public:
    virtual ~COrvDoc() = default;
    // 1 (success), as for any new document.
    virtual int OnNewDocument() { return 1; }
    // Writes or reads nothing.
    virtual void Serialize(bool /*bStoring*/) {}
};

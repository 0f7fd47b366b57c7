#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

CTempFolder::CTempFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "orvalis-test-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) ADD_FAILURE() << "cannot create a temporary folder";
    m_path = name;
}

CTempFolder::~CTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

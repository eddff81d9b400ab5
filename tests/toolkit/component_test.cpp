#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "toolkit/component.h"

namespace {

std::vector<std::wstring> destroyed;

class Recorded : public tk::Component {
public:
    explicit Recorded(std::wstring name) { SetName(std::move(name)); }
    ~Recorded() override { destroyed.push_back(Name()); }
};

TEST(Component, FreesWhatItOwnsNewestFirst) {
    destroyed.clear();
    {
        Recorded owner(L"owner");
        auto& a = owner.Own<Recorded>(L"a");
        a.Own<Recorded>(L"a1");
        owner.Own<Recorded>(L"b");
        EXPECT_EQ(a.Owner(), &owner);
        EXPECT_EQ(owner.FindComponent(L"b")->Name(), L"b");
        EXPECT_EQ(owner.FindComponent(L"a1"), nullptr);  // only its own
    }
    EXPECT_EQ(destroyed, (std::vector<std::wstring>{L"owner", L"b", L"a", L"a1"}));
}

TEST(Component, FreeDestroysOneOwnedComponentNow) {
    destroyed.clear();
    Recorded owner(L"owner");
    auto& a = owner.Own<Recorded>(L"a");
    owner.Own<Recorded>(L"b");
    owner.Free(a);
    EXPECT_EQ(destroyed, std::vector<std::wstring>{L"a"});
    EXPECT_EQ(owner.ComponentCount(), 1u);
    EXPECT_EQ(owner.FindComponent(L"a"), nullptr);
}

}  // namespace

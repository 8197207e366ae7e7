#include <gtest/gtest.h>
#include <vemora.h>

#include <cwchar>
#include <string>
#include <vector>

using namespace Vemora;

namespace {

std::wstring textOf(const wchar_t* s) { return s ? s : L"<null>"; }

// Expects f to throw utException_c with exactly the given message.
template <class F>
void expectFailure(F f, const wchar_t* message) {
    try {
        f();
        ADD_FAILURE() << "no exception";
    } catch (const utException_c& e) {
        EXPECT_EQ(textOf(e.what()), message);
    }
}

// Records a walk as a list of events: "begin", "end" and the keys visited.
struct RecordingVisitor : utDictionaryVisitor_c {
    std::vector<std::wstring> events;
    std::wstring skipKey;  // visitValue answers false for this key

    void beginDictionary(const utDictionary_c&) override { events.push_back(L"begin"); }
    bool visitValue(const wchar_t* key, const utValue_c&) override {
        events.push_back(key);
        return skipKey != key;
    }
    void endDictionary() override { events.push_back(L"end"); }
};

// Reaches the in-place lookup that derived dictionaries use.
struct EditableDictionary : utDictionary_c {
    using utDictionary_c::entry;
};

utDictionary_c sample() {
    utDictionary_c d;
    d.setInt(L"int", 42);
    d.setDouble(L"real", -2.9);
    d.setString(L"yes", L"Yes");
    d.setDictionary(L"nested", nullptr);
    d.set(L"null", utValue_c());
    return d;
}

}  // namespace

// The conversions themselves belong to utValue_c; here only that the readers apply them and that a
// present entry never yields the default.
TEST(utDictionaryTest, TypedReadersConvertStoredValues) {
    const utDictionary_c d = sample();
    EXPECT_EQ(d.getInt(L"real", 7), -2);
    EXPECT_DOUBLE_EQ(d.getDouble(L"int", 7.5), 42.0);
    EXPECT_TRUE(d.getBool(L"yes", false));
    EXPECT_TRUE(d.getBool(L"nested", false));
    EXPECT_EQ(textOf(d.getString(L"int", L"def")), L"42");
    EXPECT_EQ(d.getString(L"null", L"def"), nullptr);
    EXPECT_EQ(d.getString(L"nested", L"def"), nullptr);
    EXPECT_EQ(d.getInt(L"null", 7), 0);
}

TEST(utDictionaryTest, TypedReadersGiveTheDefaultForAbsentOrNullKeys) {
    const utDictionary_c d = sample();
    for (const wchar_t* key : {L"absent", L"INT", static_cast<const wchar_t*>(nullptr)}) {
        SCOPED_TRACE(textOf(key));
        EXPECT_EQ(d.getInt(key, 7), 7);
        EXPECT_DOUBLE_EQ(d.getDouble(key, 1.5), 1.5);
        EXPECT_TRUE(d.getBool(key, true));
        EXPECT_STREQ(d.getString(key, L"def"), L"def");
        utDictionary_c fallback;
        EXPECT_EQ(d.getDictionary(key, &fallback), &fallback);
    }
}

TEST(utDictionaryTest, GetDictionaryGivesTheStoredDictionaryOrNullForOtherTypes) {
    utDictionary_c d = sample();
    utDictionary_c fallback;
    EXPECT_EQ(d.getDictionary(L"int", &fallback), nullptr);
    EXPECT_EQ(d.getDictionary(L"null", &fallback), nullptr);

    utDictionary_c* nested = d.getDictionary(L"nested", nullptr);
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(nested->owner(), &d);
    nested->setInt(L"inside", 3);
    EXPECT_EQ(d.getDictionary(L"nested", nullptr)->getInt(L"inside", 0), 3);
}

TEST(utDictionaryTest, FailuresCarryTheirMessages) {
    utDictionary_c d = sample();
    expectFailure([&] { d.get(L"absent"); }, L"Bad key @utDictionary_c::get");
    expectFailure([&] { d.get(nullptr); }, L"Bad key @utDictionary_c::get");
    expectFailure([&] { d.set(nullptr, utValue_c(1)); }, L"Exception @utDictionary_c::set");
    expectFailure([&] { d.setDictionary(nullptr, nullptr); }, L"Exception @utDictionary_c::set");
    EditableDictionary e;
    expectFailure([&] { e.entry(L"absent"); }, L"Bad key @utDictionary_c::get");
}

TEST(utDictionaryTest, GetReadsAndEntryChangesTheStoredValue) {
    EditableDictionary e;
    e.setInt(L"k", 1);
    EXPECT_EQ(static_cast<int>(e.get(L"k")), 1);  // the public lookup on a mutable dictionary
    e.entry(L"k").setString(L"now text");
    EXPECT_STREQ(e.getString(L"k", nullptr), L"now text");
}

TEST(utDictionaryTest, SettingANullValueKeepsAnExistingEntry) {
    utDictionary_c d;
    d.setString(L"k", L"kept");
    d.set(L"k", utValue_c());
    EXPECT_STREQ(d.getString(L"k", nullptr), L"kept");

    d.set(L"fresh", utValue_c());
    EXPECT_TRUE(d.get(L"fresh").isNull());
}

TEST(utDictionaryTest, ChangedFlagFollowsSuccessfulChangesOnly) {
    utDictionary_c d;
    EXPECT_FALSE(d.changed());
    d.setInt(L"k", 1);
    EXPECT_TRUE(d.changed());

    struct Step {
        const char* name;
        void (*change)(utDictionary_c&);
        bool changed;
    };
    const Step steps[] = {
        {"del of a null key", [](utDictionary_c& x) { x.del(nullptr); }, false},
        {"del of an absent key", [](utDictionary_c& x) { x.del(L"absent"); }, true},
        {"del of a present key", [](utDictionary_c& x) { x.del(L"k"); }, true},
        {"clear", [](utDictionary_c& x) { x.clear(); }, true},
        {"set of a null value", [](utDictionary_c& x) { x.set(L"n", utValue_c()); }, true},
        {"failed set",
         [](utDictionary_c& x) {
             try {
                 x.setInt(nullptr, 1);
             } catch (const utException_c&) {
             }
         },
         false},
        {"reading", [](utDictionary_c& x) { (void)x.getInt(L"k", 0); }, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        d.setChanged(false);
        step.change(d);
        EXPECT_EQ(d.changed(), step.changed);
    }
}

TEST(utDictionaryTest, ChangesInsideANestedDictionaryStayThere) {
    utDictionary_c d;
    d.setDictionary(L"nested", nullptr);
    d.setChanged(false);
    utDictionary_c* nested = d.getDictionary(L"nested", nullptr);
    ASSERT_NE(nested, nullptr);
    nested->setInt(L"k", 1);
    EXPECT_TRUE(nested->changed());
    EXPECT_FALSE(d.changed());
}

TEST(utDictionaryTest, CopiesTakeTheChangedFlagButNoOwner) {
    utDictionary_c holder;
    utDictionary_c d;
    d.setInt(L"k", 1);
    d.setOwner(&holder);

    const utDictionary_c copy(d);
    EXPECT_TRUE(copy.changed());
    EXPECT_EQ(copy.owner(), nullptr);

    utDictionary_c assigned;
    assigned.setOwner(&holder);
    d.setChanged(false);
    assigned.setInt(L"old", 1);
    assigned = d;
    EXPECT_FALSE(assigned.changed());
    EXPECT_EQ(assigned.owner(), nullptr);
    EXPECT_EQ(assigned.getInt(L"old", -1), -1);
    EXPECT_EQ(assigned.getInt(L"k", -1), 1);
}

TEST(utDictionaryTest, CopiesOfNestedDictionariesAreDeep) {
    utDictionary_c leaf;
    leaf.setString(L"name", L"leaf");
    utDictionary_c middle;
    middle.setDictionary(L"leaf", &leaf);
    utDictionary_c root;
    root.setDictionary(L"middle", &middle);

    utDictionary_c copy(root);
    utDictionary_c assigned;
    assigned = root;
    root.getDictionary(L"middle", nullptr)
        ->getDictionary(L"leaf", nullptr)
        ->setString(L"name", L"changed");
    for (utDictionary_c* d : {&copy, &assigned}) {
        utDictionary_c* m = d->getDictionary(L"middle", nullptr);
        ASSERT_NE(m, nullptr);
        EXPECT_NE(m, root.getDictionary(L"middle", nullptr));
        utDictionary_c* l = m->getDictionary(L"leaf", nullptr);
        ASSERT_NE(l, nullptr);
        EXPECT_STREQ(l->getString(L"name", nullptr), L"leaf");
    }
    // setDictionary stored a copy, not the caller's object.
    EXPECT_STREQ(leaf.getString(L"name", nullptr), L"leaf");
}

// Storing or assigning a dictionary into itself must copy before anything is replaced.
TEST(utDictionaryTest, SelfReferencingCopiesAreSafe) {
    utDictionary_c d;
    d.setInt(L"k", 1);
    d.setDictionary(L"self", &d);
    const utDictionary_c* self = d.getDictionary(L"self", nullptr);
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->getInt(L"k", 0), 1);
    EXPECT_EQ(self->getDictionary(L"self", nullptr), nullptr);  // the copy was made first

    utDictionary_c& alias = d;
    d = alias;
    EXPECT_EQ(d.getInt(L"k", 0), 1);

    d = *d.getDictionary(L"self", nullptr);
    EXPECT_EQ(d.getInt(L"k", 0), 1);
    EXPECT_EQ(d.getDictionary(L"self", nullptr), nullptr);
}

TEST(utDictionaryTest, KeysAreOrderedByCodeUnitAndBackslashIsPlain) {
    utDictionary_c d;
    for (const wchar_t* key : {L"b", L"a", L"A\\B", L"A", L"B"}) d.setInt(key, 1);
    EXPECT_EQ(d.getInt(L"A\\B", 0), 1);
    EXPECT_EQ(d.getDictionary(L"A", nullptr), nullptr);

    RecordingVisitor visitor;
    d.visit(visitor);
    const std::vector<std::wstring> expected = {L"begin", L"A", L"A\\B", L"B", L"a", L"b", L"end"};
    EXPECT_EQ(visitor.events, expected);
}

TEST(utDictionaryTest, VisitDescendsIntoNestedDictionariesInPlace) {
    utDictionary_c inner;
    inner.setInt(L"x", 1);
    inner.setInt(L"y", 2);
    utDictionary_c d;
    d.setInt(L"a", 1);
    d.setDictionary(L"m", &inner);
    d.setBool(L"z", true);

    RecordingVisitor all;
    d.visit(all);
    const std::vector<std::wstring> nestedWalk = {L"begin", L"a",   L"m", L"begin", L"x",
                                                  L"y",     L"end", L"z", L"end"};
    EXPECT_EQ(all.events, nestedWalk);

    RecordingVisitor refusing;
    refusing.skipKey = L"m";
    d.visit(refusing);
    const std::vector<std::wstring> flatWalk = {L"begin", L"a", L"m", L"z", L"end"};
    EXPECT_EQ(refusing.events, flatWalk);

    utDictionary_c empty;
    RecordingVisitor none;
    empty.visit(none);
    EXPECT_EQ(none.events, (std::vector<std::wstring>{L"begin", L"end"}));
}

TEST(utDictionaryTest, VisitSurvivesAVisitorThatDeletesEntries) {
    struct Deleter : utDictionaryVisitor_c {
        utDictionary_c* target = nullptr;
        std::vector<std::wstring> keys;
        void beginDictionary(const utDictionary_c&) override {}
        bool visitValue(const wchar_t* key, const utValue_c& value) override {
            keys.push_back(key);
            EXPECT_EQ(static_cast<int>(value), static_cast<int>(keys.size()));
            target->del(key);  // the visited entry, while the walk stands on it
            target->del(L"c");
            return true;
        }
        void endDictionary() override {}
    };
    utDictionary_c d;
    d.setInt(L"a", 1);
    d.setInt(L"b", 2);
    d.setInt(L"c", 3);
    Deleter deleter;
    deleter.target = &d;
    d.visit(deleter);
    EXPECT_EQ(deleter.keys, (std::vector<std::wstring>{L"a", L"b"}));
}

// Interning and numbering checked against plain reference maps on random input: every table must
// give equal keys one index and distinct keys distinct indices, in order of first insertion, and
// the ground atom table must number atoms the same way.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/gatom_table.h"
#include "core/program.h"

namespace {

TEST(InternModel, NamesAndIntegersMatchAReferenceMap) {
    std::mt19937 random(12345);
    INTERN_TABLE<std::string> names;
    INTERN_TABLE<int32_t> integers;
    std::map<std::string, uint32_t> nameModel;
    std::map<int32_t, uint32_t> integerModel;
    for (int step = 0; step < 200000; step++) {
        // Short names collide often; lengths cross the 8-byte steps of the hash.
        std::string name(1 + random() % 12, 'a');
        for (char &ch : name) ch = char('a' + random() % 3);
        auto [index, inserted] = names.add(name);
        auto [it, modelInserted] = nameModel.try_emplace(name, uint32_t(nameModel.size()));
        ASSERT_EQ(inserted, modelInserted) << name;
        ASSERT_EQ(index, it->second) << name;
        int32_t value = int32_t(random() % 50000) - 25000;
        auto [iIndex, iInserted] = integers.add(value);
        auto [iIt, iModelInserted] = integerModel.try_emplace(value, uint32_t(integerModel.size()));
        ASSERT_EQ(iInserted, iModelInserted);
        ASSERT_EQ(iIndex, iIt->second);
    }
    for (const auto &[name, index] : nameModel) ASSERT_EQ(names.view(index), name);
    for (const auto &[value, index] : integerModel) ASSERT_EQ(integers[index], value);
}

// A compound term's structure as a reference key: kind, functor, arguments.
using KEY = std::tuple<int32_t, uint32_t, std::vector<uint64_t>>;

TEST(InternModel, CompoundTermsAndGroundAtomsMatchAReferenceMap) {
    std::mt19937 random(777);
    INTERN_TABLE<COMPLEX_TERM> table;
    GATOM_TABLE atoms;
    std::map<KEY, uint32_t> termModel;
    std::map<std::pair<uint32_t, std::vector<uint64_t>>, GATOM_ID> atomModel;
    std::vector<TERM> pool{makeConstantTerm("kim_a"), makeConstantTerm("kim_b"), makeIntegerTerm(1),
                           makeIntegerTerm(2), makeVariableTerm(0)};
    std::vector<uint32_t> predicates;
    for (int p = 0; p < 4; p++)
        predicates.push_back(predicateTable.add(("kim_p" + std::to_string(p)).c_str(), 3, PREDICATE_IDB).first);
    for (int step = 0; step < 100000; step++) {
        std::vector<TERM> args(random() % 4);
        std::vector<uint64_t> words;
        for (TERM &t : args) {
            t = pool[random() % pool.size()];
            words.push_back(t.word());
        }
        COMPLEX_KIND kind = random() % 2 ? COMPLEX_FUNCTION : COMPLEX_LIST;
        uint32_t functor = kind == COMPLEX_FUNCTION ? uint32_t(random() % 3) : 0;
        auto [index, inserted] = table.add(COMPLEX_TERM{kind, functor, args.data(), uint32_t(args.size()), false});
        auto [it, modelInserted] = termModel.try_emplace(KEY{kind, functor, words}, uint32_t(termModel.size()));
        ASSERT_EQ(inserted, modelInserted);
        ASSERT_EQ(index, it->second);
        // Terms of the global table feed later keys, so nesting grows.
        if (inserted && args.size() > 0 && pool.size() < 400) {
            std::vector<TERM> copy = args;
            pool.push_back(makeComplexTerm(COMPLEX_TERM{kind, functor, copy.data(), uint32_t(copy.size()), false}));
        }

        std::vector<TERM> atomArgs(3);
        std::vector<uint64_t> atomWords;
        for (TERM &t : atomArgs) {
            t = pool[random() % pool.size()];
            atomWords.push_back(t.word());
        }
        uint32_t p = predicates[random() % predicates.size()];
        GATOM_ID id = random() % 2 ? atoms.add(p, atomArgs) : atoms.add(ATOM(p, atomArgs));
        auto [aIt, aInserted] = atomModel.try_emplace({p, atomWords}, GATOM_ID(atomModel.size()));
        ASSERT_EQ(id, aIt->second);
        (void)aInserted;
    }
    ASSERT_EQ(atoms.size(), atomModel.size());
    for (const auto &[key, id] : atomModel) {
        ASSERT_EQ(atoms[id].predicate, key.first);
        ASSERT_EQ(atoms[id].argCount(), 3u);
        for (size_t i = 0; i < 3; i++) ASSERT_EQ(atoms[id].arg(uint32_t(i)).word(), key.second[i]);
    }
}

// The order of atom sets against an order computed from the terms' parts directly.
TEST(InternModel, AtomSetsIterateInTheOrderOfTermsAndPredicates) {
    std::mt19937 random(4242);
    std::vector<TERM> pool;
    for (int i = 0; i < 6; i++) pool.push_back(makeConstantTerm(("kio_c" + std::to_string(5 - i)).c_str()));
    for (int v : {7, -2, 30, 0, 1000, -500}) pool.push_back(makeIntegerTerm(v));
    for (int i = 0; i < 4; i++) {
        std::vector<TERM> a{pool[i]};
        pool.push_back(makeComplexTerm(COMPLEX_TERM::function(functionSymbolTable.add("kio_f").first, a, true)));
    }
    std::vector<uint32_t> predicates;
    for (int p = 0; p < 3; p++) {
        ATOM registered(("kio_p" + std::to_string(2 - p)).c_str(), std::vector<TERM>{pool[0], pool[0]}, PREDICATE_EDB);
        predicates.push_back(registered.predicate);
    }
    // Reference key of a term: kind, then value (integers by their value).
    auto termKey = [](TERM t) {
        return std::pair<int, int64_t>(t.kind, t.isInteger() ? int64_t(integerValue(t)) : int64_t(t.value));
    };
    using REF = std::pair<uint32_t, std::vector<std::pair<int, int64_t>>>;
    std::set<REF> model;
    ATOM_SETS sets;
    for (int step = 0; step < 5000; step++) {
        uint32_t p = predicates[random() % predicates.size()];
        std::vector<TERM> args{pool[random() % pool.size()], pool[random() % pool.size()]};
        sets.insert(ATOM(p, args));
        model.insert(REF{p, {termKey(args[0]), termKey(args[1])}});
    }
    std::vector<REF> seen;
    for (const ATOM_SET &set : sets)
        for (ATOM_REF a : set) seen.push_back(REF{a.predicate, {termKey(a.arg(0)), termKey(a.arg(1))}});
    EXPECT_EQ(seen, std::vector<REF>(model.begin(), model.end()));
}

} // namespace

// Magic-set rewriting: specialises the rules to the query of brave and cautious reasoning, so
// that grounding instantiates only what the query can depend on. The driver calls
// applyMagicSets once, after the other rewritings; it refuses programs it cannot rewrite and
// otherwise builds a MAGIC_SETS over IDB, rewrites and destroys it.
//
// The rewriting adorns every predicate that the query reaches with the pattern of its bound
// ('b') and free ('f') arguments (path#bf), adorns the rules that define it, and derives from
// each adorned rule magic rules (which call patterns its body literals are asked with) and one
// modified rule (the rule guarded by the magic atoms of its head). At the end the rules of IDB
// other than its facts are replaced by the modified rules, the magic rules and the query's seed
// facts, with every adorned name turned back into its base name: only the "magic#" predicates
// are new. -ODMS is the plain method, -ODMS+ adds a final subsumption pass, -OODMS also prunes
// rules while they are made and makes the modified rule of a disjunctive rule once.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/rule.h"
#include "rewriting/rewriting_config.h"

// Rewrites IDB in place for the query, or refuses with its reason. The reason is reported (with
// "Warning: Magic Sets not applied.") only when magic sets were asked for on the command line.
// The rewriting keeps only what the query reaches, so a program is refused while any constraint
// other than the query's own remains: a verdict that dropped one could hold where the program
// has no answer set at all. Magic sets need a query of brave or cautious reasoning
// (`queryReasoning`).
void applyMagicSets(bool aggregatesFound, bool queryReasoning, const REWRITING_CONFIG &config);

// How an adorned predicate was first reached. `kind` 0: from the query; 1: from a rule with one
// head atom; 2: from a rule with several. `rule` is the program rule (for kind 0 the query's
// conjunction or its "#query" rule; only compared). `position` counts from 1 over the rule's
// head atoms and then its body literals. `complete`: no re-examination of the rule is needed.
struct MAGIC_ORIGIN {
    int32_t kind = 0;
    const void *rule = nullptr;
    uint32_t position = 0;
    bool complete = true;
};

// An adorned rule: the body stays in the order in which the literals were selected (positive
// and negated ones mixed), since the magic rules read the literals before each one.
struct ADORNED_RULE {
    std::vector<ATOM> head;
    bool hasBody = false;
    std::vector<LITERAL> body;
    SOURCE_POSITION source;  // of the program rule it was made from
};

class MAGIC_SETS {
public:
    // Moves the facts (one head atom, no body) of the rules to the front and indexes the other
    // rules by the predicates of their head atoms.
    MAGIC_SETS(std::vector<RULE> &rules, const CONJUNCTION *query, const REWRITING_CONFIG &config);
    MAGIC_SETS(const MAGIC_SETS &) = delete;
    MAGIC_SETS &operator=(const MAGIC_SETS &) = delete;

    // The whole rewriting; leaves the rules unchanged when a non-ground query has lost its
    // "#query" rule, or has no bound argument and magic sets were not asked for.
    void rewrite(bool queryIsGround);
    // Gives every generated magic predicate a name without '#', so that the printed program can
    // be read back: '#' becomes '_', and "_<n>" is added while the name is taken.
    void renameMagicPredicates();

private:
    std::vector<RULE> &rules;
    size_t firstNonFact = 0;
    const CONJUNCTION *query;
    REWRITING_CONFIG config;
    // The "#query" predicate of a non-ground query, whose rule's magic rules have no magic head
    // literal; none for a ground query.
    uint32_t queryPredicate = UINT32_MAX;

    // Pairs (adorned predicate, item kind): 1 process every defining rule, 2 the same but skip
    // the origin's head atom, 3 re-examine the origin's rule. A predicate is on the list at most
    // once; `onWorkList` finds its pair.
    std::vector<std::pair<uint32_t, int32_t>> workList;
    std::unordered_map<uint32_t, size_t> onWorkList;
    std::set<std::string> magicNames; // byte-wise order: the renaming walks it
    std::unordered_map<uint32_t, MAGIC_ORIGIN> origins;
    // Per head predicate the indices of the rules (from firstNonFact on) with a head atom of it,
    // increasing; a rule with two head atoms of one predicate is listed twice.
    std::unordered_map<uint32_t, std::vector<uint32_t>> headRules;
    // Every adorned predicate made here: its base predicate and its adornment.
    struct ADORNED_PREDICATE {
        uint32_t base;
        std::string adornment;
    };
    std::unordered_map<uint32_t, ADORNED_PREDICATE> adorned;

    bool unsafeMagicRule = false;
    std::vector<RULE> magicRuleList;
    std::vector<RULE> modifiedRuleList;

    uint32_t adornedPredicate(uint32_t base, const std::string &adornment);
    uint32_t stripAdornment(uint32_t predicate) const;
    const std::string *adornmentOf(uint32_t predicate) const;
    bool definesPredicate(uint32_t adornedName, const std::vector<ATOM> &headAtoms) const;
    void addAdornedBoundVariables(const ATOM &atom, TERM_SET &bound) const;

    ATOM adornQueryAtom(const ATOM &atom);
    LITERAL adornLiteral(const LITERAL &literal, const TERM_SET &bound);
    ADORNED_RULE adornRule(const RULE &rule, uint32_t adornedName, int32_t originKind,
                           const RULE *programRule);
    void addBodyLiteral(const LITERAL &literal, std::vector<LITERAL> &body, int32_t originKind,
                        const RULE *programRule, const TERM_SET &bound);
    void enqueue(const ATOM &atom, uint32_t position, int32_t originKind, const void *originRule);

    ATOM magicAtom(const ATOM &atom);
    std::vector<RULE> magicRules(const ADORNED_RULE &adornedRule);
    RULE modifiedRule(ADORNED_RULE adornedRule, const std::vector<ATOM> &programHead);
    void unshiftHead(ADORNED_RULE &adornedRule, const std::vector<ATOM> &programHead) const;
    int seedQuery(bool queryIsGround, ADORNED_RULE &queryRule, std::vector<RULE> &seeds);
    std::vector<RULE> querySeeds(const ADORNED_RULE &queryRule);
    bool prepareOrigin(uint32_t adornedName, const MAGIC_ORIGIN &origin, ADORNED_RULE &result,
                       bool &skipModified);
    bool skipsModifiedRule(const std::vector<ATOM> &programHead, const ATOM &head, uint32_t adornedName);
    void collect(const ADORNED_RULE &adornedRule, const std::vector<ATOM> &programHead, bool skipModified);
    std::vector<RULE> restorePredicateNames() const;
    void appendRules(const std::vector<RULE> &newRules);
};

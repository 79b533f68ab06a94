#include "rewriting/magic_sets.h"

#include <algorithm>
#include <cstdio>

#include "core/program.h"
#include "input/safety.h"
#include "rewriting/subsumption.h"
#include "support/diagnostics.h"

namespace {

// The first reason that rules magic sets out for this program, or none. The constraints are
// those that basic rewriting left, which may no longer include all of the query's own.
const char *refusal(bool aggregatesFound, bool queryReasoning) {
    if (!query) return "No query supplied.";
    for (const CONSTRAINT &constraint : constraints)
        if (!constraint.fromQuery) return "The program contains integrity constraints.";
    if (!weakConstraints.empty()) return "The program contains weak constraints.";
    if (aggregatesFound) return "The program contains aggregates.";
    if (!queryReasoning) return "Neither brave nor cautious reasoning was specified.";
    if (IDB.empty()) return "IDB is empty or has become empty due to optimizations.";
    return nullptr;
}

bool isFact(const RULE &rule) { return rule.head.size() == 1 && !rule.hasBody(); }

bool isIdbLike(PREDICATE_KIND kind) { return kind == PREDICATE_IDB || kind == PREDICATE_QUERY; }

PREDICATE_KIND kindOf(const ATOM &atom) { return predicateTable.kind(atom.predicate); }

// A variable, or a function or list term with a variable inside.
bool isNonGroundTerm(TERM t) { return t.isVariable() || (t.isComplex() && !complexTerm(t).ground); }

// Adds every variable argument (top level only) of the atom.
void addAtomVariables(TERM_SET &bound, const ATOM &atom) {
    for (TERM t : atom.args())
        if (t.isVariable()) bound.insert(t);
}

bool hasArgument(const ATOM &atom, TERM variable) {
    for (TERM t : atom.args())
        if (t == variable) return true;
    return false;
}

int32_t countArgumentsBoundBy(const ATOM &atom, const TERM_SET &bound) {
    int32_t n = 0;
    for (TERM t : atom.args())
        if (!t.isVariable() || bound.contains(t)) n++;
    return n;
}

// The rule with the head atom alone, and the body followed by the negation of every other head
// atom of the rule: how a disjunctive rule is adorned for one of its head atoms.
RULE shiftedRule(const RULE &rule, const ATOM &head) {
    CONJUNCTION body;
    if (rule.hasBody()) body = *rule.body;
    for (const ATOM &other : rule.head)
        if (compareAtom(other, head) != 0) body.append(LITERAL(other, true));
    RULE shifted(std::vector<ATOM>{head}, std::move(body));
    shifted.source = rule.source;
    return shifted;
}

// A literal the selection may take now: a propositional one; a positive one that is not a
// built-in; a negated one, or a comparison, once all its variable arguments are bound.
bool isReady(const LITERAL &literal, const TERM_SET &bound) {
    if (literal.atom.isPropositional()) return true;
    PREDICATE_KIND kind = kindOf(literal.atom);
    if (!literal.isNegated() && kind != PREDICATE_BUILTIN) return true;
    if (!literal.isNegated()) {
        int builtin = literal.atom.builtinKind();
        if (builtin < 1 || builtin > 5) return false;
    }
    return literal.atom.allArgumentsBound(bound);
}

// Whether the selection prefers the later ready literal l to the current choice m: facts-only
// and propositional literals first, then literals with bound arguments, and among rule-defined
// literals those with more bound arguments.
bool prefersLater(const ATOM &m, const ATOM &l, const TERM_SET &bound) {
    PREDICATE_KIND km = kindOf(m), kl = kindOf(l);
    bool pm = m.isPropositional(), pl = l.isPropositional();
    if (pm && km == PREDICATE_UNDEFINED) return false;
    if (km == PREDICATE_EDB && pm) return false;
    if (kl == PREDICATE_EDB && pl) return true;
    if (isIdbLike(km) && pm) return true;
    if (isIdbLike(kl) && pl) return false;
    bool sm = m.someArgumentBound(bound), sl = l.someArgumentBound(bound);
    bool mIsData = km == PREDICATE_EDB || km == PREDICATE_BUILTIN;
    if (isIdbLike(kl)) {
        if (sm && sl && !mIsData && !m.allArgumentsBound(bound) &&
            (l.allArgumentsBound(bound) || countArgumentsBoundBy(m, bound) < countArgumentsBoundBy(l, bound)))
            return true;
        if (sm) return false;
        return sl;
    }
    if (sm) return sl && !mIsData;
    return !(!sl && mIsData);
}

// The same head atoms and the same body literals, in any order.
bool sameRule(const RULE &a, const RULE &b) {
    if (a.head.size() != b.head.size() || a.hasBody() != b.hasBody()) return false;
    if (a.hasBody() && a.body->size() != b.body->size()) return false;
    auto atomLess = [](const ATOM &x, const ATOM &y) { return compareAtom(x, y) < 0; };
    std::vector<ATOM> headA = a.head, headB = b.head;
    std::sort(headA.begin(), headA.end(), atomLess);
    std::sort(headB.begin(), headB.end(), atomLess);
    for (size_t k = 0; k < headA.size(); k++)
        if (compareAtom(headA[k], headB[k]) != 0) return false;
    if (!a.hasBody()) return true;
    auto literalLess = [](const LITERAL &x, const LITERAL &y) {
        if (x.negated != y.negated) return x.negated < y.negated;
        return compareAtom(x.atom, y.atom) < 0;
    };
    std::vector<LITERAL> bodyA = a.body->literals, bodyB = b.body->literals;
    std::sort(bodyA.begin(), bodyA.end(), literalLess);
    std::sort(bodyB.begin(), bodyB.end(), literalLess);
    return bodyA == bodyB;
}

// A magic rule may take over a comparison or a negated literal whose variables only the
// program rule's other literals bind (inside a function term, say). Such literals leave the
// magic rule, the last first, until it is safe: a magic rule with fewer conditions asks for more
// bindings, which never loses an answer. False when the rule stays unsafe.
bool makeMagicRuleSafe(RULE &rule) {
    while (!isSafe(rule)) {
        if (!rule.hasBody()) return false;
        CONJUNCTION &body = *rule.body;
        uint32_t k = body.size();
        while (k > 0 && !body[k - 1].isNegated() && kindOf(body[k - 1].atom) != PREDICATE_BUILTIN) k--;
        if (k == 0) return false;
        body.erase(k - 1);
    }
    return true;
}

std::string magicName(uint32_t predicate) {
    std::string name = "magic#";
    name += predicateTable.nameView(predicate);
    return name;
}

}  // namespace

MAGIC_SETS::MAGIC_SETS(std::vector<RULE> &rules, const CONJUNCTION *query, const REWRITING_CONFIG &config)
    : rules(rules), query(query), config(config) {
    // Facts come to the front: i walks up over facts, j down to the last fact above i, and the
    // two swap. This order decides the order of the rules made later.
    int64_t i = 0, j = int64_t(rules.size()) - 1;
    while (i <= j) {
        if (isFact(rules[size_t(i)])) {
            i++;
            continue;
        }
        while (j > i && !isFact(rules[size_t(j)])) j--;
        if (j <= i) break;
        std::swap(rules[size_t(i)], rules[size_t(j)]);
    }
    firstNonFact = size_t(i);
    for (size_t r = firstNonFact; r < rules.size(); r++)
        for (const ATOM &h : rules[r].head) headRules[h.predicate].push_back(uint32_t(r));
}

uint32_t MAGIC_SETS::adornedPredicate(uint32_t base, const std::string &adornment) {
    std::string name(predicateTable.nameView(base));
    name += '#';
    name += adornment;
    uint32_t p = registerPredicate(name.c_str(), uint32_t(adornment.size()), predicateTable.kind(base));
    adorned.try_emplace(p, ADORNED_PREDICATE{base, adornment});
    return p;
}

// The base predicate of an adorned one; any other predicate is its own base. Going by the
// predicates made here rather than by the text before the last '#' keeps names of the program
// that contain a '#' whole.
uint32_t MAGIC_SETS::stripAdornment(uint32_t predicate) const {
    auto it = adorned.find(predicate);
    return it == adorned.end() ? predicate : it->second.base;
}

const std::string *MAGIC_SETS::adornmentOf(uint32_t predicate) const {
    auto it = adorned.find(predicate);
    return it == adorned.end() ? nullptr : &it->second.adornment;
}

bool MAGIC_SETS::definesPredicate(uint32_t adornedName, const std::vector<ATOM> &headAtoms) const {
    uint32_t base = stripAdornment(adornedName);
    for (const ATOM &h : headAtoms)
        if (h.predicate == base) return true;
    return false;
}

void MAGIC_SETS::addAdornedBoundVariables(const ATOM &atom, TERM_SET &bound) const {
    const std::string *adornment = adornmentOf(atom.predicate);
    if (!adornment) return;
    std::span<const TERM> args = atom.args();
    for (size_t k = 0; k < args.size() && k < adornment->size(); k++)
        if ((*adornment)[k] == 'b' && args[k].isVariable()) bound.insert(args[k]);
}

ATOM MAGIC_SETS::adornQueryAtom(const ATOM &atom) {
    std::string adornment;
    for (TERM t : atom.args()) adornment += isNonGroundTerm(t) ? 'f' : 'b';
    return ATOM(adornedPredicate(atom.predicate, adornment), atom.args());
}

LITERAL MAGIC_SETS::adornLiteral(const LITERAL &literal, const TERM_SET &bound) {
    std::string adornment;
    for (TERM t : literal.atom.args()) {
        if (t.isVariable())
            adornment += bound.contains(t) ? 'b' : 'f';
        else
            adornment += isNonGroundTerm(t) ? 'f' : 'b';
    }
    return LITERAL(ATOM(adornedPredicate(literal.atom.predicate, adornment), literal.atom.args()),
                   literal.isNegated());
}

ADORNED_RULE MAGIC_SETS::adornRule(const RULE &rule, uint32_t adornedName, int32_t originKind,
                                   const RULE *programRule) {
    ADORNED_RULE result;
    result.source = programRule ? programRule->source : rule.source;
    const ATOM &head = rule.head[0];
    result.head.push_back(head.isPropositional() ? head : ATOM(adornedName, head.args()));
    if (!rule.hasBody()) return result;
    result.hasBody = true;
    TERM_SET bound;
    if (!head.isPropositional()) addAdornedBoundVariables(result.head[0], bound);

    // Sideways information passing: bindings flow from each selected literal to the later ones.
    std::vector<const LITERAL *> remaining;
    for (const LITERAL &literal : *rule.body) remaining.push_back(&literal);
    while (!remaining.empty()) {
        size_t chosen = remaining.size();
        for (size_t k = 0; k < remaining.size(); k++) {
            if (!isReady(*remaining[k], bound)) continue;
            if (chosen == remaining.size() ||
                prefersLater(remaining[chosen]->atom, remaining[k]->atom, bound))
                chosen = k;
        }
        if (chosen == remaining.size()) {
            for (const LITERAL *literal : remaining)
                addBodyLiteral(*literal, result.body, originKind, programRule, bound);
            break;
        }
        const LITERAL &selected = *remaining[chosen];
        addBodyLiteral(selected, result.body, originKind, programRule, bound);
        // A literal without a bound argument passes no binding on.
        if (!selected.atom.isPropositional() && selected.atom.someArgumentBound(bound))
            addAtomVariables(bound, selected.atom);
        remaining.erase(remaining.begin() + ptrdiff_t(chosen));
    }
    return result;
}

void MAGIC_SETS::addBodyLiteral(const LITERAL &literal, std::vector<LITERAL> &body, int32_t originKind,
                                const RULE *programRule, const TERM_SET &bound) {
    uint32_t position = 0;
    if (originKind != 0) {
        const std::vector<ATOM> &head = programRule->head;
        size_t compared = originKind == 1 ? std::min<size_t>(1, head.size()) : head.size();
        bool found = false;
        for (size_t h = 0; h < compared && !found; h++) {
            if (compareAtom(literal.atom, head[h]) == 0) {
                position = uint32_t(h + 1);
                found = true;
            }
        }
        if (!found && programRule->hasBody()) {
            const CONJUNCTION &programBody = *programRule->body;
            uint32_t index = 0;
            while (index < programBody.size() && !(programBody[index] == literal)) index++;
            position = uint32_t(head.size()) + 1 + index;
        }
    }
    PREDICATE_KIND kind = kindOf(literal.atom);
    if (!isIdbLike(kind)) {
        body.push_back(literal);
        return;
    }
    if (literal.atom.isPropositional()) {
        enqueue(literal.atom, position, originKind, programRule);
        body.push_back(literal);
        return;
    }
    LITERAL adornedLiteral = adornLiteral(literal, bound);
    enqueue(adornedLiteral.atom, position, originKind, programRule);
    body.push_back(std::move(adornedLiteral));
}

void MAGIC_SETS::enqueue(const ATOM &atom, uint32_t position, int32_t originKind, const void *originRule) {
    uint32_t p = atom.predicate;
    auto known = origins.find(p);
    if (known == origins.end()) {
        int32_t itemKind = config.optOODMS && originKind == 2 ? 2 : 1;
        onWorkList[p] = workList.size();
        workList.emplace_back(p, itemKind);
        origins[p] = MAGIC_ORIGIN{originKind, originRule, position, itemKind == 1};
        return;
    }
    MAGIC_ORIGIN &origin = known->second;
    auto waiting = onWorkList.find(p);
    if (waiting != onWorkList.end()) {
        int32_t &itemKind = workList[waiting->second].second;
        if (itemKind == 2 &&
            (originKind != origin.kind || originRule != origin.rule || position != origin.position)) {
            itemKind = 1;
            origin.complete = true;
        }
        return;
    }
    // Reached again from the rule it was first reached from, at another position (a body
    // literal rather than a head atom moved into the body), the skipped adorned rule is needed.
    if (origin.complete ||
        (originKind == origin.kind && originRule == origin.rule && position == origin.position))
        return;
    if (definesPredicate(p, static_cast<const RULE *>(origin.rule)->head)) {
        origin.complete = true;
        onWorkList[p] = workList.size();
        workList.emplace_back(p, 3);
    }
}

ATOM MAGIC_SETS::magicAtom(const ATOM &atom) {
    TERMS args;
    if (const std::string *adornment = adornmentOf(atom.predicate)) {
        std::span<const TERM> atomArgs = atom.args();
        for (size_t k = 0; k < atomArgs.size() && k < adornment->size(); k++)
            if ((*adornment)[k] == 'b') args.push_back(atomArgs[k]);
    }
    std::string name = magicName(atom.predicate);
    ATOM magic(name.c_str(), std::span<const TERM>(args), kindOf(atom));
    magicNames.insert(std::move(name));
    return magic;
}

std::vector<RULE> MAGIC_SETS::magicRules(const ADORNED_RULE &adornedRule) {
    std::vector<RULE> result;
    const ATOM *h0 = adornedRule.head.empty() ? nullptr : &adornedRule.head[0];
    bool queryRule = !h0 || stripAdornment(h0->predicate) == queryPredicate;
    const std::vector<LITERAL> &body = adornedRule.body;
    for (size_t i = 0; i < body.size(); i++) {
        const LITERAL &l = body[i];
        if (!isIdbLike(kindOf(l.atom))) continue;
        if (!adornmentOf(l.atom.predicate) && !l.atom.isPropositional()) continue;
        if (h0 && compareAtom(l.atom, *h0) == 0) continue;
        TERM_SET bound;
        addAdornedBoundVariables(l.atom, bound);
        ATOM ml = magicAtom(l.atom);
        CONJUNCTION magicBody;
        if (h0) {
            ATOM mh = magicAtom(*h0);
            if (compareAtom(ml, mh) == 0) continue;
            if (!queryRule) magicBody.append(LITERAL(std::move(mh), false));
        }
        // The literals before l, backwards: each one that binds a variable l needs is kept.
        for (size_t j = i; j-- > 0;) {
            const LITERAL &p = body[j];
            if (p.atom.isPropositional()) continue;
            PREDICATE_KIND kind = kindOf(p.atom);
            bool included = false;
            std::vector<TERM> candidates(bound.begin(), bound.end());
            for (TERM v : candidates) {
                if (kind == PREDICATE_EDB || kind == PREDICATE_BUILTIN || kind == PREDICATE_UNDEFINED) {
                    if (!hasArgument(p.atom, v)) continue;
                    addAtomVariables(bound, p.atom);
                    included = true;
                    break;
                }
                if (p.isNegated() && !p.atom.allArgumentsBound(bound)) continue;
                std::span<const TERM> args = p.atom.args();
                size_t k = 0;
                while (k < args.size() && args[k] != v) k++;
                if (k == args.size()) continue;
                const std::string *adornment = adornmentOf(p.atom.predicate);
                if (adornment && (k >= adornment->size() || (*adornment)[k] != 'f')) continue;
                bound.erase(v);
                addAdornedBoundVariables(p.atom, bound);
                included = true;
                break;
            }
            if (!included && kind == PREDICATE_UNDEFINED) included = true;
            if (included) magicBody.append(p);
        }
        RULE rule = magicBody.empty() ? RULE(std::vector<ATOM>{std::move(ml)})
                                      : RULE(std::vector<ATOM>{std::move(ml)}, std::move(magicBody));
        rule.source = adornedRule.source;
        if (!makeMagicRuleSafe(rule)) unsafeMagicRule = true;
        if (config.optOODMS && isSubsumed(rule, result)) continue;
        result.push_back(std::move(rule));
    }
    return result;
}

// Moves the negated literals that stand for the other head atoms of a disjunctive rule back
// into the head. Exactly one literal per shifted head atom moves: a negated literal that the
// rule itself has in its body, equal to one of its head atoms, stays in the body.
void MAGIC_SETS::unshiftHead(ADORNED_RULE &adornedRule, const std::vector<ATOM> &programHead) const {
    if (programHead.size() <= 1) return;
    const ATOM &head = adornedRule.head[0];
    ATOM baseHead(stripAdornment(head.predicate), head.args());
    std::vector<bool> pending(programHead.size());
    for (size_t h = 0; h < programHead.size(); h++) pending[h] = compareAtom(programHead[h], baseHead) != 0;
    CONJUNCTION newBody;
    for (LITERAL &literal : adornedRule.body) {
        bool moved = false;
        if (literal.isNegated()) {
            uint32_t base = stripAdornment(literal.atom.predicate);
            for (size_t h = 0; h < programHead.size() && !moved; h++) {
                if (!pending[h] || programHead[h].predicate != base ||
                    compareTerms(programHead[h].args(), literal.atom.args()) != 0)
                    continue;
                pending[h] = false;
                moved = true;
            }
        }
        if (moved)
            adornedRule.head.push_back(std::move(literal.atom));
        else
            newBody.append(std::move(literal));
    }
    adornedRule.body = std::move(newBody.literals);
}

RULE MAGIC_SETS::modifiedRule(ADORNED_RULE adornedRule, const std::vector<ATOM> &programHead) {
    unshiftHead(adornedRule, programHead);
    CONJUNCTION body;
    // The magic literal of the last head atom stands first.
    for (size_t h = adornedRule.head.size(); h-- > 0;)
        body.append(LITERAL(magicAtom(adornedRule.head[h]), false));
    for (LITERAL &literal : adornedRule.body) body.append(std::move(literal));
    RULE modified(std::move(adornedRule.head), std::move(body));
    modified.source = adornedRule.source;
    return modified;
}

std::vector<RULE> MAGIC_SETS::querySeeds(const ADORNED_RULE &queryRule) {
    std::vector<RULE> seeds;
    bool needsMagicRules = false;
    for (const LITERAL &literal : queryRule.body) {
        if (!isIdbLike(kindOf(literal.atom))) continue;
        ATOM magic = magicAtom(literal.atom);
        if (termsAreGround(magic.args()))
            seeds.emplace_back(std::vector<ATOM>{std::move(magic)});
        else
            needsMagicRules = true;
    }
    if (needsMagicRules)
        for (RULE &rule : magicRules(queryRule)) seeds.push_back(std::move(rule));
    return seeds;
}

int MAGIC_SETS::seedQuery(bool ground, ADORNED_RULE &queryRule, std::vector<RULE> &seeds) {
    if (ground) {
        queryRule = ADORNED_RULE();
        queryRule.hasBody = true;
        for (uint32_t i = 0; i < query->size(); i++) {
            const LITERAL &literal = (*query)[i];
            if (isIdbLike(kindOf(literal.atom)) && !literal.atom.isPropositional()) {
                ATOM a = adornQueryAtom(literal.atom);
                if (!origins.contains(a.predicate)) enqueue(a, i, 0, query);
                queryRule.body.emplace_back(std::move(a), false);
            } else if (literal.atom.isPropositional() && !origins.contains(literal.atom.predicate)) {
                queryRule.body.push_back(literal);
                enqueue(literal.atom, i, 0, query);
            }
        }
        seeds = querySeeds(queryRule);
        return 1;
    }
    // rewrite has made sure that the "#query" rule is there.
    const RULE &r = rules[headRules[queryPredicate].front()];
    ATOM a = adornQueryAtom(r.head[0]);
    queryRule = adornRule(r, a.predicate, 0, &r);
    if (!config.magicSetsRequested) {
        bool someBound = false;
        for (const LITERAL &literal : queryRule.body) {
            if (!isIdbLike(kindOf(literal.atom)) || literal.atom.isPropositional()) continue;
            const std::string *adornment = adornmentOf(literal.atom.predicate);
            if (adornment && adornment->find('b') != std::string::npos) someBound = true;
        }
        if (!someBound) return 0;
    }
    for (const LITERAL &literal : queryRule.body) enqueue(literal.atom, 0, 0, &r);
    seeds = querySeeds(queryRule);
    return 1;
}

// Under -OODMS the modified rule of a disjunctive rule is made once: not again for a head atom
// whose twin (another head atom with the same arguments) was already processed with the same
// adornment, since that modified rule restores the same head atoms.
bool MAGIC_SETS::skipsModifiedRule(const std::vector<ATOM> &programHead, const ATOM &head,
                                   uint32_t adornedName) {
    if (!config.optOODMS) return false;
    const std::string *adornment = adornmentOf(adornedName);
    if (!adornment) return false;
    for (const ATOM &twin : programHead) {
        if (compareAtom(twin, head) == 0 || twin.isPropositional() ||
            compareTerms(twin.args(), head.args()) != 0)
            continue;
        uint32_t twinName = adornedPredicate(twin.predicate, *adornment);
        if (origins.contains(twinName)) return !onWorkList.contains(twinName);
    }
    return false;
}

bool MAGIC_SETS::prepareOrigin(uint32_t adornedName, const MAGIC_ORIGIN &origin, ADORNED_RULE &result,
                               bool &skipModified) {
    const RULE &programRule = *static_cast<const RULE *>(origin.rule);
    ATOM head = programRule.atomAt(origin.position);
    RULE shifted = programRule.head.size() == 1 ? programRule : shiftedRule(programRule, head);
    if (!definesPredicate(adornedName, shifted.head)) return false;
    result = adornRule(shifted, adornedName, origin.kind, &programRule);
    skipModified = skipsModifiedRule(programRule.head, head, adornedName);
    return true;
}

void MAGIC_SETS::collect(const ADORNED_RULE &adornedRule, const std::vector<ATOM> &programHead,
                         bool skipModified) {
    for (RULE &rule : magicRules(adornedRule)) {
        if (config.optOODMS && isSubsumed(rule, magicRuleList)) continue;
        magicRuleList.push_back(std::move(rule));
    }
    RULE rule = modifiedRule(adornedRule, programHead);
    // The twin's modified rule stands for this one only when it is the same rule: guarded by
    // other magic atoms it would not fire for the bindings this adornment asks for.
    if (skipModified) {
        for (const RULE &made : modifiedRuleList)
            if (sameRule(made, rule)) return;
    }
    if (config.optOODMS && isSubsumed(rule, modifiedRuleList)) return;
    modifiedRuleList.push_back(std::move(rule));
}

std::vector<RULE> MAGIC_SETS::restorePredicateNames() const {
    auto restore = [&](const ATOM &atom) {
        uint32_t base = stripAdornment(atom.predicate);
        return base == atom.predicate ? atom : ATOM(base, atom.args());
    };
    std::vector<RULE> result;
    for (size_t r = firstNonFact; r < rules.size(); r++) {
        const RULE &rule = rules[r];
        std::vector<ATOM> head;
        for (const ATOM &atom : rule.head) head.push_back(restore(atom));
        if (!rule.hasBody()) {
            result.emplace_back(std::move(head));
            continue;
        }
        CONJUNCTION body;
        for (const LITERAL &literal : *rule.body)
            body.append(LITERAL(restore(literal.atom), literal.isNegated()));
        result.emplace_back(std::move(head), std::move(body));
    }
    return result;
}

void MAGIC_SETS::appendRules(const std::vector<RULE> &newRules) {
    for (const RULE &rule : newRules) {
        CONJUNCTION body;
        if (rule.hasBody())
            for (const LITERAL &literal : *rule.body) body.append(literal);
        rules.emplace_back(std::vector<ATOM>(rule.head), std::move(body));
    }
}

void MAGIC_SETS::rewrite(bool ground) {
    if (!ground) {
        auto [predicate, exists] = predicateTable.find("#query");
        if (!exists || !headRules.contains(predicate)) return;
        queryPredicate = predicate;
    }
    ADORNED_RULE queryRule;
    std::vector<RULE> seeds;
    if (!seedQuery(ground, queryRule, seeds)) return;

    while (!workList.empty()) {
        auto [name, itemKind] = workList.back();
        workList.pop_back();
        onWorkList.erase(name);
        uint32_t base = stripAdornment(name);
        if (itemKind == 3) {
            const MAGIC_ORIGIN origin = origins[name];
            ADORNED_RULE adornedRule;
            bool skipModified = false;
            if (prepareOrigin(name, origin, adornedRule, skipModified))
                collect(adornedRule, static_cast<const RULE *>(origin.rule)->head, skipModified);
            continue;
        }
        auto listed = headRules.find(base);
        if (listed == headRules.end()) continue;
        // The program rules stay in place until the end: the origins point at them.
        for (uint32_t index : listed->second) {
            const RULE &program = rules[index];
            int32_t k = program.head.size() == 1 ? 1 : 2;
            for (const ATOM &head : program.head) {
                if (head.predicate != base) continue;
                uint32_t c = 1;
                if (k == 2)
                    while (compareAtom(program.head[c - 1], head) != 0) c++;
                if (itemKind == 2) {
                    const MAGIC_ORIGIN &origin = origins[name];
                    if (origin.kind == 2 && origin.rule == &program && origin.position == c) continue;
                }
                ADORNED_RULE adornedRule = k == 1 ? adornRule(program, name, k, &program)
                                                  : adornRule(shiftedRule(program, head), name, k, &program);
                bool skipModified = skipsModifiedRule(program.head, head, name);
                collect(adornedRule, program.head, skipModified);
            }
        }
    }

    // A magic rule that cannot be evaluated would stop grounding: the program is left as read.
    if (unsafeMagicRule) return;
    for (RULE &seed : seeds) magicRuleList.push_back(std::move(seed));
    rules.erase(rules.begin() + ptrdiff_t(firstNonFact), rules.end());
    appendRules(modifiedRuleList);
    for (RULE &rule : magicRuleList) rules.push_back(std::move(rule));
    if (!ground) {
        CONJUNCTION body;
        for (const LITERAL &literal : queryRule.body) body.append(literal);
        rules.emplace_back(std::move(queryRule.head), std::move(body));
    }
    std::vector<RULE> restored = restorePredicateNames();
    rules.erase(rules.begin() + ptrdiff_t(firstNonFact), rules.end());
    for (RULE &rule : restored) rules.push_back(std::move(rule));
    if (config.optODMSPlus || config.optOODMS) removeSubsumedRules(rules, firstNonFact);
}

void MAGIC_SETS::renameMagicPredicates() {
    for (const std::string &name : magicNames) {
        auto [predicate, exists] = predicateTable.find(name);
        if (!exists) continue;
        std::string candidate = name;
        std::replace(candidate.begin(), candidate.end(), '#', '_');
        if (predicateTable.find(candidate).second) {
            std::string numbered;
            for (uint64_t n = 0;; n++) {
                numbered = candidate + "_" + std::to_string(n);
                if (!predicateTable.find(numbered).second) break;
            }
            candidate = std::move(numbered);
        }
        predicateTable.rename(predicate, candidate);
    }
}

void applyMagicSets(bool aggregatesFound, bool queryReasoning, const REWRITING_CONFIG &config) {
    if (const char *reason = refusal(aggregatesFound, queryReasoning)) {
        if (config.magicSetsRequested) {
            FILE *err = errorOutput();
            fprintf(err, "Warning: %s\n", reason);
            fputs("Warning: Magic Sets not applied.\n", err);
        }
        return;
    }
    MAGIC_SETS magicSets(IDB, query.get(), config);
    magicSets.rewrite(queryIsGround);
    if (config.optPrintMagic) magicSets.renameMagicPredicates();
}

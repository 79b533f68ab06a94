#include "rewriting/objects.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/aggregate_function.h"
#include "core/printer.h"
#include "core/program.h"
#include "core/variable_span.h"
#include "support/diagnostics.h"

namespace {

std::string complementName(std::string_view name) {
    if (name.starts_with("-")) return std::string(name.substr(1));
    std::string complement = "-";
    complement += name;
    return complement;
}

bool hasComplement(uint32_t predicate) {
    return predicateTable.find(complementName(predicateTable.nameView(predicate))).second;
}

TERMS variables(uint32_t from, uint32_t to) {
    TERMS terms;
    for (uint32_t v = from; v < to; ++v) terms.push_back(makeVariableTerm(v));
    return terms;
}

// The first variable number that the body does not use. Aggregate guards count too: an object
// variable equal to an assignment's variable would be bound to the aggregate's value.
uint32_t firstFreeVariable(const CONJUNCTION &body) {
    VARIABLE_SPAN span;
    span.conjunction(body);
    return span.size;
}

// The atom p(t1..tn) of a predicate with a complement as __proj<p>(t1..tn), which holds when
// p(t1..tn) holds in some object; the first use of __proj<p> adds its rule to `appended`.
ATOM projectionAtom(const ATOM &atom, std::vector<RULE> &appended) {
    const uint32_t p = atom.predicate;
    const uint32_t n = atom.argCount();
    std::string name = "__proj";
    name += predicateTable.nameView(p);
    if (!predicateTable.find(name).second) {
        ATOM head(name.c_str(), std::span<const TERM>(variables(0, n)), PREDICATE_IDB);
        if (predicateTable.arity(p) == n) predicateTable.setArity(p, n + 1);
        TERMS inner{makeVariableTerm(n)};
        for (uint32_t v = 0; v < n; ++v) inner.push_back(makeVariableTerm(v));
        CONJUNCTION definition;
        definition.append(
            LITERAL(ATOM(predicateTable.name(p), std::span<const TERM>(inner), PREDICATE_UNDEFINED), false));
        appended.emplace_back(std::vector<ATOM>{std::move(head)}, std::move(definition));
    }
    TERMS args(atom.args());
    return ATOM(name.c_str(), std::span<const TERM>(args), PREDICATE_UNDEFINED);
}

// An aggregate's set reads its atoms in any object through __proj<p>: a fresh object variable
// there would be a variable of the set that is not aggregated over, which the grounder takes as
// one the rule must bind.
void translateAggregateSet(ATOM &aggregateAtom, std::vector<RULE> &appended) {
    AGGREGATE_ATOM *aggregate = aggregateAtom.aggregate();
    AGGREGATEFUNCTION *function = aggregate ? aggregate->getFunction() : nullptr;
    if (!function) return;
    for (uint32_t i = 0; i < function->conjunction.size(); ++i) {
        LITERAL &inner = function->conjunction[i];
        if (!inner.atom.isAggregate() && hasComplement(inner.atom.predicate))
            inner.atom = projectionAtom(inner.atom, appended);
    }
}

void printFactText(FILE *out, const ATOM &atom) {
    fputs(predicateTable.name(atom.predicate), out);
    if (atom.argCount() > 0) {
        fputc('(', out);
        printTerms(out, atom.args());
        fputc(')', out);
    }
}

void reportOverriddenFact(const ATOM &atom) {
    FILE *err = errorOutput();
    fputs("An EDB fact (", err);
    printFactText(err, atom);
    fputs(") would have to be rewritten. Currently, we do not handle this automatically. Please rewrite your "
          "program, such that ",
          err);
    printFactText(err, atom);
    fputs(" belongs to the IDB.\n", err);
}

bool isOverridden(const OBJECT &object, const ATOM &atom) {
    return object.overridden && object.overridden->count(atom) != 0;
}

}  // namespace

void addInheritanceFacts(TERM object, const std::vector<int32_t> *parents, const std::vector<OBJECT> &objects) {
    if (!parents) return;
    // Every ancestor once: a diamond of parents would otherwise be walked once per path.
    std::vector<uint8_t> visited(objects.size(), 0);
    std::vector<int32_t> pending(parents->rbegin(), parents->rend());
    while (!pending.empty()) {
        int32_t index = pending.back();
        pending.pop_back();
        if (index < 0 || size_t(index) >= objects.size() || visited[size_t(index)]) continue;
        visited[size_t(index)] = 1;
        const OBJECT &ancestor = objects[size_t(index)];
        if (ancestor.id != object) {
            TERM args[] = {object, ancestor.id};
            EDB.insert(ATOM("__prec", std::span<const TERM>(args), PREDICATE_EDB));
        }
        if (ancestor.parents) pending.insert(pending.end(), ancestor.parents->rbegin(), ancestor.parents->rend());
    }
}

void collectHeadArguments(TERMS &terms, const std::vector<ATOM> &head) {
    for (const ATOM &atom : head) {
        std::span<const TERM> args = atom.args();
        if (hasComplement(atom.predicate) && !args.empty()) args = args.subspan(1);
        terms.insert(terms.end(), args.begin(), args.end());
    }
}

void addProjectionRules(CONJUNCTION &body, uint32_t firstFree, std::vector<RULE> &appended) {
    uint32_t next = firstFree;
    for (uint32_t i = 0; i < body.size(); ++i) {
        LITERAL &literal = body[i];
        if (literal.atom.isAggregate()) {
            translateAggregateSet(literal.atom, appended);
            continue;
        }
        if (!literal.isNegated() && hasComplement(literal.atom.predicate))
            literal.atom.prependArgument(makeVariableTerm(next++));
    }
    for (uint32_t i = body.firstNegative; i < body.size(); ++i) {
        LITERAL &literal = body[i];
        if (literal.atom.isAggregate() || !hasComplement(literal.atom.predicate)) continue;
        literal.atom = projectionAtom(literal.atom, appended);
    }
}

void extendOverriddenRule(const OBJECT &object, RULE &rule, std::vector<RULE> &appended) {
    for (ATOM &atom : rule.head)
        if (hasComplement(atom.predicate)) atom.prependArgument(object.id);
    if (rule.hasBody()) addProjectionRules(*rule.body, firstFreeVariable(*rule.body), appended);
}

// `overrideCounter` numbers the "__ovr<N>" predicates, one count over every object.
uint32_t addOverridingRules(OBJECT &object, bool isDefault, size_t ruleCount, uint32_t &overrideCounter) {
    uint32_t overriddenFacts = 0;
    if (object.facts) {
        for (uint32_t p = 0; p < object.facts->predicateCount(); ++p) {
            // A copy: the default object's facts are EDB itself, which changes below.
            std::vector<ATOM> facts;
            for (ATOM_REF fact : (*object.facts)[p]) facts.push_back(fact.atom());
            for (ATOM &fact : facts) {
                if (isOverridden(object, fact)) {
                    reportOverriddenFact(fact);
                    ++overriddenFacts;
                    // Left as written it would keep the old number of arguments among atoms
                    // that all gained the object argument.
                    if (isDefault) EDB.erase(fact);
                    continue;
                }
                if (hasComplement(fact.predicate)) {
                    if (isDefault) EDB.erase(fact);
                    fact.prependArgument(object.id);
                    EDB.insert(std::move(fact));
                } else if (!isDefault) {
                    EDB.insert(std::move(fact));
                }
            }
        }
    }
    if (!object.rules) return overriddenFacts;
    std::vector<RULE> &rules = *object.rules;
    for (size_t r = 0; r < ruleCount && r < rules.size(); ++r) {
        // Appended rules wait until this rule is done: the default object's rules are IDB.
        std::vector<RULE> appended;
        RULE &rule = rules[r];
        bool blocked = object.overridden && !rule.head.empty();
        for (const ATOM &atom : rule.head)
            if (!isOverridden(object, atom)) blocked = false;
        extendOverriddenRule(object, rule, appended);
        if (blocked) {
            std::string name = "__ovr" + std::to_string(overrideCounter++);
            TERMS args{object.id};
            collectHeadArguments(args, rule.head);
            if (!rule.hasBody()) rule.body = std::make_unique<CONJUNCTION>();
            rule.body->append(LITERAL(ATOM(name.c_str(), std::span<const TERM>(args), PREDICATE_UNDEFINED), true));
            CONJUNCTION blockers;
            for (const ATOM &atom : rule.head) {
                std::string overridden = "__ovr";
                overridden += predicateTable.nameView(atom.predicate);
                blockers.append(LITERAL(ATOM(overridden.c_str(), atom.args(), PREDICATE_UNDEFINED), false));
            }
            appended.emplace_back(std::vector<ATOM>{ATOM(name.c_str(), std::span<const TERM>(args), PREDICATE_IDB)},
                                  std::move(blockers));
        }
        if (!isDefault) appended.push_back(rule);
        for (RULE &added : appended) IDB.push_back(std::move(added));
    }
    return overriddenFacts;
}

int translateObjects(std::vector<OBJECT> &objects) {
    // The default object's rules are IDB: only the rules read are walked, not those added.
    const size_t readRules = IDB.size();
    uint32_t overriddenFacts = 0;
    uint32_t overrideCounter = 0;
    for (size_t i = 0; i < objects.size(); ++i) {
        OBJECT &object = objects[i];
        addInheritanceFacts(object.id, object.parents.get(), objects);
        if (object.overridden)
            for (const ATOM &atom : *object.overridden) {
                const uint32_t n = atom.argCount();
                auto [complement, found] = predicateTable.find(complementName(predicateTable.nameView(atom.predicate)));
                if (!found) continue;
                if (predicateTable.arity(complement) < n + 1) predicateTable.setArity(complement, n + 1);
                std::string name = "__ovr";
                name += predicateTable.nameView(atom.predicate);
                TERMS headArgs{object.id};
                for (uint32_t v = 0; v < n; ++v) headArgs.push_back(makeVariableTerm(v));
                TERMS complementArgs{makeVariableTerm(n)};
                for (uint32_t v = 0; v < n; ++v) complementArgs.push_back(makeVariableTerm(v));
                TERMS precArgs{makeVariableTerm(n), object.id};
                CONJUNCTION body;
                body.append(LITERAL(ATOM(predicateTable.name(complement), std::span<const TERM>(complementArgs),
                                         PREDICATE_UNDEFINED),
                                    false));
                body.append(LITERAL(ATOM("__prec", std::span<const TERM>(precArgs), PREDICATE_UNDEFINED), false));
                IDB.emplace_back(std::vector<ATOM>{ATOM(name.c_str(), std::span<const TERM>(headArgs), PREDICATE_IDB)},
                                 std::move(body));
            }
        overriddenFacts += addOverridingRules(object, i == 0,
                                              i == 0 ? readRules : (object.rules ? object.rules->size() : 0),
                                              overrideCounter);
    }
    std::vector<RULE> appended;
    for (CONSTRAINT &constraint : constraints) addProjectionRules(constraint.body, firstFreeVariable(constraint.body), appended);
    // Weak constraints read the same atoms, which now carry the object argument.
    for (WEAKCONSTRAINT &weak : weakConstraints) {
        VARIABLE_SPAN span;
        span.conjunction(weak.body);
        span.term(weak.weight);
        span.term(weak.level);
        addProjectionRules(weak.body, span.size, appended);
    }
    for (RULE &rule : appended) IDB.push_back(std::move(rule));
    return overriddenFacts == 0;
}

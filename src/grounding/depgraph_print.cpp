// The --depgraph dump: four graphs, each with its nodes, adjacency matrix and components.
#include <cinttypes>
#include <cstdlib>

#include "core/option_values.h"
#include "core/printer.h"
#include "grounding/depgraph.h"
#include "grounding/ground_printer.h"

using namespace depgraph_detail;

namespace {

void printBodyAtom(FILE *out, const LITERAL &l) { printAtom(out, l.atom); }
void printBodyAtom(FILE *out, const GLITERAL &l) { printGroundAtom(out, l.atom); }
void printHeadAtom(FILE *out, const ATOM &a) { printAtom(out, a); }
void printHeadAtom(FILE *out, GATOM_ID a) { printGroundAtom(out, a); }

template <class LITERALS>
void printBody(FILE *out, const LITERALS &literals) {
    bool first = true;
    for (const auto &l : literals) {
        if (!first)
            fputs(", ", out);
        first = false;
        if (l.negated)
            fputs("not ", out);
        printBodyAtom(out, l);
    }
}

}  // namespace

void printAdjacencyMatrix(const std::vector<std::vector<uint32_t>> &adjacency) {
    size_t n = adjacency.size();
    std::vector<uint32_t> row(n);
    for (const std::vector<uint32_t> &targets : adjacency) {
        std::fill(row.begin(), row.end(), 0);
        for (uint32_t v : targets)
            if (v < n)
                row[v]++;
        for (uint32_t count : row)
            fprintf(stdout, "%" PRIu32 " ", count);
        fputc('\n', stdout);
    }
}

template <class RULE_T, class CONSTRAINT_T>
void DEPGRAPH<RULE_T, CONSTRAINT_T>::printNode(FILE *out, uint32_t node, bool byName) const {
    if constexpr (GROUND) {
        (void)byName;
        printGroundAtom(out, static_cast<GATOM_ID>(node));
    } else {
        if (byName)
            fputs(predicateTable.name(node), out);
        else
            printAtom(out, *nodes[node]);
    }
}

template <class RULE_T, class CONSTRAINT_T>
void DEPGRAPH<RULE_T, CONSTRAINT_T>::print(FILE *out) {
    fprintf(out, "DEPGRAPH: (%zu atoms, %" PRIu32 " components)\n", nodes.size(), componentCount());
    if (!allEdges) {
        fprintf(out, "DEPGRAPH::isCyclic() : %s\n", isCyclic() ? "true" : "false");
        fprintf(out, "DEPGRAPH::isHCF() : %s\n", isHCF() ? "true" : "false");
        fprintf(out, "DEPGRAPH::isStronglyHCF() : %s\n", isStronglyHCF() ? "true" : "false");
    }
    fputc('\n', out);
    for (uint32_t v = 0; v < nodes.size(); v++)
        if (nodes[v]) {
            printNode(out, v, false);
            fputc(' ', out);
        }
    fputc('\n', out);
    fflush(out);
    printAdjacencyMatrix(adjacency);
    fputc('\n', out);
    for (uint32_t c = 0; c < componentCount(); c++) {
        fprintf(out, "COMPONENT %" PRIu32 ":", c + 1);
        if (!allEdges) {
            fputs(hcf(c) ? "  hcf" : "  not hcf", out);
            fputs(stronglyHcf(c) ? "  strongly hcf" : "  not strongly hcf", out);
            fputs(cyclic(c) ? "  cyclic" : "  acyclic", out);
        } else {
            fputs(stratified(c) ? "  stratified" : "  not stratified", out);
            fputs(isDisjunctive(c) ? "  disjunctive" : "  not disjunctive", out);
        }
        fputc('\n', out);
        fputs("   { ", out);
        bool first = true;
        for (uint32_t v : components[c]) {
            if (!first)
                fputs(" , ", out);
            first = false;
            printNode(out, v, predicateView);
        }
        fputs(" }\n", out);
        for (const RULE_T *rule : componentRules[c].rules) {
            fputs("   ", out);
            bool firstHead = true;
            for (const auto &h : heads(*rule)) {
                if (!firstHead)
                    fputs(" v ", out);
                firstHead = false;
                printHeadAtom(out, h);
            }
            auto body = bodyOf(*rule);
            bool hasBody;
            if constexpr (GROUND)
                hasBody = rule->hasBody;
            else
                hasBody = rule->body != nullptr;
            if (hasBody) {
                fputs(" :- ", out);
                printBody(out, body);
            }
            fputs(".\n", out);
        }
        if (c < componentConstraints.size())
            for (const CONSTRAINT_T &constraint : componentConstraints[c]) {
                fputs("   :- ", out);
                printBody(out, bodyOf(constraint));
                fputs(".\n", out);
            }
    }
}

template void DEPGRAPH<RULE, CONSTRAINT>::printNode(FILE *, uint32_t, bool) const;
template void DEPGRAPH<GRULE, GCONSTRAINT>::printNode(FILE *, uint32_t, bool) const;
template void DEPGRAPH<RULE, CONSTRAINT>::print(FILE *);
template void DEPGRAPH<GRULE, GCONSTRAINT>::print(FILE *);

void printDependencyGraphs(const std::vector<RULE> &rules, const std::vector<CONSTRAINT> &constraints,
                           const std::vector<GRULE> &ground, const std::vector<GCONSTRAINT> &groundConstraints) {
    PREDICATE_DEPGRAPH dg1(rules, constraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_ALL_EDGES);
    PREDICATE_DEPGRAPH dg2(rules, constraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    GROUND_DEPGRAPH gdg1(ground, groundConstraints, DEPGRAPH_ALL_EDGES);
    GROUND_DEPGRAPH gdg2(ground, groundConstraints, 0);
    FILE *out = stdout;
    fputs("The nonground DG without negation and disjunction uses Orvela's ordering.\n", out);
    fputs("DG with negations and disjunctions:\n\n", out);
    dg1.print(out);
    fputs("\n\nDG without negations and disjunctions:\n\n", out);
    dg2.print(out);
    fputs("\n\nGDG with negations and disjunctions:\n\n", out);
    gdg1.print(out);
    fputs("\n\nGDG without negations and disjunctions:\n\n", out);
    gdg2.print(out);
    fputs("\n\n", out);
}

void dumpDependencyGraphs() {
    if (!optDepgraph)
        return;
    printDependencyGraphs(IDB, constraints, groundRules, groundConstraints);
    fflush(stdout);
    exit(0);
}

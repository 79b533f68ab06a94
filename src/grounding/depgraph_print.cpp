// The --depgraph dump: four graphs, each with its nodes, adjacency matrix and components.
#include <cstdlib>

#include "grounding/ground_depgraph.h"
#include "support/option_values.h"

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


// The run sequence of one invocation: option pass, input, rewriting, grounding, model
// generation, finish.
int main(int, char **) {
    // The option pass and the run sequence are not built yet: every run ends at once.
    return 0;
}

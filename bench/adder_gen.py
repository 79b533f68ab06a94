#!/usr/bin/env python3
"""Writes a ripple-carry adder as a consistency-based diagnosis problem for -FRmin.

Each bit is a full adder of five gates (two exclusive ors, two ands, an or), so BITS bits make
5 * BITS gates. The theory says how a gate works unless it is abnormal (ab); the inputs and every
output are observed, the middle sum bit observed wrong, so the minimal diagnoses are the single
gates that can explain that bit. Two ways to write the theory:
  shared  gate facts and one rule per gate type and output value, with variables;
  ground  one rule per gate and pair of input values, signals high or low.
Deterministic: the input values come from a fixed seed.

Usage: adder_gen.py BITS PREFIX [shared|ground]   writes PREFIX.lp, PREFIX.hyp and PREFIX.obs
"""
import random
import sys

SHARED_THEORY = """\
val(O,1) :- and(G,A,B,O), val(A,1), val(B,1), not ab(G).
val(O,0) :- and(G,A,B,O), val(A,0), not ab(G).
val(O,0) :- and(G,A,B,O), val(B,0), not ab(G).
val(O,1) :- or(G,A,B,O), val(A,1), not ab(G).
val(O,1) :- or(G,A,B,O), val(B,1), not ab(G).
val(O,0) :- or(G,A,B,O), val(A,0), val(B,0), not ab(G).
val(O,1) :- xor(G,A,B,O), val(A,X), val(B,Y), X != Y, not ab(G).
val(O,0) :- xor(G,A,B,O), val(A,X), val(B,X), not ab(G).
:- val(W,0), val(W,1).
"""

OPERATION = {"and": lambda x, y: x & y, "or": lambda x, y: x | y, "xor": lambda x, y: x ^ y}


def main():
    bits, prefix = int(sys.argv[1]), sys.argv[2]
    ground = len(sys.argv) > 3 and sys.argv[3] == "ground"
    r = random.Random(bits)
    a = [r.randrange(2) for _ in range(bits)]
    b = [r.randrange(2) for _ in range(bits)]

    def signal(wire, value):
        if ground:
            return "%s(%s)" % ("hi" if value else "lo", wire)
        return "val(%s,%d)" % (wire, value)

    gates, lines = [], []

    def gate(kind, name, in1, in2, out):
        gates.append(name)
        if not ground:
            lines.append("%s(%s,%s,%s,%s)." % (kind, name, in1, in2, out))
            return
        for x in (0, 1):
            for y in (0, 1):
                lines.append("%s :- %s, %s, not ab(%s)." % (signal(out, OPERATION[kind](x, y)), signal(in1, x),
                                                            signal(in2, y), name))

    observed = [signal("c0", 0)]
    carry = 0
    for i in range(bits):
        g = "g%d_" % i
        gate("xor", g + "x1", "a%d" % i, "b%d" % i, "x%d" % i)
        gate("xor", g + "x2", "x%d" % i, "c%d" % i, "s%d" % i)
        gate("and", g + "a1", "a%d" % i, "b%d" % i, "n%d" % i)
        gate("and", g + "a2", "x%d" % i, "c%d" % i, "m%d" % i)
        gate("or", g + "o1", "n%d" % i, "m%d" % i, "c%d" % (i + 1))
        total = a[i] + b[i] + carry
        sum_bit, carry = total % 2, total // 2
        if i == bits // 2:
            sum_bit = 1 - sum_bit
        observed += [signal("a%d" % i, a[i]), signal("b%d" % i, b[i]), signal("s%d" % i, sum_bit)]
    observed.append(signal("c%d" % bits, carry))
    with open(prefix + ".lp", "w") as f:
        f.write("%% Ripple-carry adder of %d bits, %d gates.\n" % (bits, len(gates)))
        f.write("\n".join(lines) + "\n")
        f.write(":- hi(W), lo(W).\n" if ground else SHARED_THEORY)
    with open(prefix + ".hyp", "w") as f:
        f.write("".join("ab(%s).\n" % g for g in gates))
    with open(prefix + ".obs", "w") as f:
        f.write("".join(o + ".\n" for o in observed))


if __name__ == "__main__":
    main()

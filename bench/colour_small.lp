% Graph 3-colouring with a disjunctive guess: 14 nodes, 20 edges.
node(0).
node(1).
node(2).
node(3).
node(4).
node(5).
node(6).
node(7).
node(8).
node(9).
node(10).
node(11).
node(12).
node(13).
edge(0,6).
edge(0,8).
edge(1,3).
edge(1,4).
edge(1,6).
edge(1,8).
edge(1,12).
edge(2,7).
edge(2,8).
edge(3,5).
edge(3,9).
edge(3,10).
edge(4,5).
edge(4,7).
edge(4,10).
edge(5,12).
edge(6,12).
edge(7,8).
edge(8,9).
edge(8,13).
red(X) | green(X) | blue(X) :- node(X).
:- edge(X,Y), red(X), red(Y).
:- edge(X,Y), green(X), green(Y).
:- edge(X,Y), blue(X), blue(Y).

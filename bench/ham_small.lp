% Hamiltonian cycle: 10 nodes, 40 directed edges.
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
edge(0,3).
edge(0,5).
edge(0,8).
edge(1,3).
edge(1,7).
edge(1,8).
edge(1,9).
edge(2,3).
edge(2,5).
edge(2,6).
edge(2,8).
edge(3,2).
edge(4,0).
edge(4,2).
edge(4,6).
edge(4,9).
edge(5,1).
edge(5,3).
edge(5,6).
edge(5,9).
edge(6,0).
edge(6,1).
edge(6,2).
edge(6,4).
edge(6,5).
edge(6,8).
edge(6,9).
edge(7,0).
edge(7,1).
edge(8,0).
edge(8,2).
edge(8,3).
edge(8,4).
edge(8,6).
edge(8,9).
edge(9,0).
edge(9,4).
edge(9,5).
edge(9,7).
edge(9,8).
start(5).
in(X,Y) | out(X,Y) :- edge(X,Y).
:- in(X,Y), in(X,Z), Y != Z.
:- in(X,Y), in(Z,Y), X != Z.
hasin(Y) :- in(X,Y).
:- node(X), not hasin(X).
reached(X) :- start(X).
reached(Y) :- reached(X), in(X,Y).
:- node(X), not reached(X).

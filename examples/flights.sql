DATALOG SCHEMA flight(origin, destination), country(airport, land), home(city);
-- the airports reachable from home, with their countries
WITH RECURSIVE reach(start, stop) AS
  (SELECT origin, destination FROM flight
   UNION
   SELECT r.start, f.destination FROM reach r, flight f WHERE r.stop = f.origin)
SELECT r.stop, c.land FROM reach r, country c, home h
WHERE r.stop = c.airport AND r.start = h.city;

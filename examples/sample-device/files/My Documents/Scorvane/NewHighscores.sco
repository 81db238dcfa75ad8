2|1|Zelk Quilbit (new)
Mira|3300|
9c4bced0a65b4715ac54e51cfd241705